#include "battle/BattleScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderItem.h"
#include "musicselect/MusicSelectScene.h"
#include "platform/Log.h"

#include <vector>

CBattleScene::CBattleScene()
{
    SetName("Battle");
    Paused = false;
    ResetSong();
}

CBattleScene::~CBattleScene()
{
    for (const SAsset& asset : Assets())
        asset.Image->Free();
    if (HelpHint)
        SDL_FreeSurface(HelpHint);
    if (PauseOverlay)
        SDL_FreeSurface(PauseOverlay);
    GrabInput(false);
}

CScene* CBattleScene::BackToMusicSelection()
{
    return new CMusicSelectScene();
}

std::vector<CBattleScene::SAsset> CBattleScene::Assets()
{
    return {
        {&BackgroundImage, "data/paysage.png", false, -1},
        {&KorvaneImage, "data/korvane.png", true, -1},
        {&CannonImage, "data/cannon1.png", true, -1},
        {&FiringCannonImage, "data/cannon2.png", true, -1},
        {&CannonStageImages[0], "data/cannon0a.png", true, -1},
        {&CannonStageImages[1], "data/cannon0b.png", true, -1},
        {&CannonStageImages[2], "data/cannon0c.png", true, -1},
        {&CannonStageImages[3], "data/cannon0d.png", true, -1},
        {&StarImage, "data/star.png", true, -1},
        {&MinimBronzeImage, "data/minimbronze2.png", true, -1},
        {&MinimSilverImage, "data/minimsilver2.png", true, -1},
        {&MinimGoldImage, "data/minimgold2.png", true, -1},
        {&GelBarImage, "data/gelbar.png", true, -1},
        {&GelBarOverlayImage, "data/gelbar2.png", true, -1},
        {&UnderBarImage, "data/underbar.png", true, 128},
        {&BarStartImage, "data/barstart.png", true, -1},
        {&BarEndImage, "data/barend.png", true, -1},
        {&GoldTrophyImage, "data/GoldTrophy.png", true, -1},
        {&SilverTrophyImage, "data/SilverTrophy.png", true, -1},
        {&BronzeTrophyImage, "data/BronzeTrophy.png", true, -1},
        {&PerfectTrophyImage, "data/PerfectTrophy.png", true, -1},
        {&BackBarImage, "data/backbar.png", false, 128},
        {&LazerBarImage, "data/lazerbar.png", false, -1},
        {&ScoreBarImage, "data/scorebar.png", false, 128},
        {&MinimImage, "data/minim.png", true, -1},
        {&Shield120Image, "data/shield120.png", true, 128},
        {&Shield90Image, "data/shield90.png", true, 128},
        {&Shield60Image, "data/shield60.png", true, 128},
        {&TreeImage, "data/tree50.png", true, -1},
        {&BurstImages[0], "data/burst0.png", true, -1},
        {&BurstImages[1], "data/burst1.png", true, -1},
        {&BurstImages[2], "data/burst2.png", true, -1},
        {&BigBurstImages[0], "data/bigburst0.png", true, -1},
        {&BigBurstImages[1], "data/bigburst1.png", true, -1},
        {&BigBurstImages[2], "data/bigburst2.png", true, -1},
        {&LazerImage, "data/lazer.png", true, -1},
        {&BeamBodyImages[0], "data/laser3.png", true, -1},
        {&BeamBodyImages[1], "data/laser4.png", true, -1},
        {&BeamBodyImages[2], "data/laser5.png", true, -1},
        {&BeamBodyImages[3], "data/laser6.png", true, -1},
        {&BeamBodyImages[4], "data/laser7.png", true, -1},
        {&BeamLowerCapImage, "data/lazerbottom.png", true, -1},
        {&BeamUpperCapImage, "data/lazertop.png", true, -1},
        {&TimeBackImage, "data/timeback.png", true, -1},
    };
}

void CBattleScene::LoadAssets()
{
    for (const SAsset& asset : Assets())
    {
        asset.Image->Load(asset.File, asset.ColorKey);
        if (asset.Alpha >= 0)
            asset.Image->SetAlpha(uint8_t(asset.Alpha));
    }
    BuildPauseOverlay();
    HelpHint = Fonts->RenderSmall("Press ESC for help", true);
}

void CBattleScene::BuildPauseOverlay()
{
    SDL_Surface* raw = SDL_CreateRGBSurface(0, CGraphics::Width, CGraphics::Height, 32, 0x000000FF,
                                            0x0000FF00, 0x00FF0000, 0xFF000000);
    if (!raw)
        return;
    SDL_Rect all{0, 0, CGraphics::Width, CGraphics::Height};
    SDL_FillRect(raw, &all, SDL_MapRGB(raw->format, 0, 0, 0));
    PauseOverlay = SDL_DisplayFormat(raw);
    SDL_FreeSurface(raw);
    if (!PauseOverlay)
        return;
    // An opaque picture: without this the whole-screen blit would take the blending path.
    SDL_SetAlpha(PauseOverlay, 0, SDL_ALPHA_OPAQUE);

    const auto put = [this](SDL_Surface* text, int x, int y, bool centred)
    {
        if (!text)
            return;
        Graphics->DrawOnto(PauseOverlay, text, int16_t(centred ? x - text->w / 2 : x), int16_t(y));
        SDL_FreeSurface(text);
    };
    put(Fonts->RenderLarge("Paused - Press Esc to resume", false), 400, 100, true);
    put(Fonts->RenderLarge("Controls", false), 400, 180, true);
    static const char* const Rows[][2] = {
        {"Mouse, Move", "Moves Minim left or right"},
        {"Mouse, Left-Click", "Morph shield"},
        {"Mouse, Wheel Up/Down", "Morph shield"},
        {"[PageUp]", "Previous music file"},
        {"[PageDown]", "Next music file"},
        {"[Q]", "Return to music selection menu"},
    };
    int y = 220;
    for (const auto& row : Rows)
    {
        put(Fonts->RenderSmall(row[0], false), 200, y, false);
        put(Fonts->RenderSmall(row[1], false), 400, y, false);
        y += 30;
    }
}

void CBattleScene::LayoutScene()
{
    if (SDL_Surface* sample = Fonts->RenderLarge("Final Rating : 99%%", true))
    {
        RatingX = 400 - sample->w / 2;
        SDL_FreeSurface(sample);
    }
    else
        RatingX = 400;
    Rules.Place(Lane::Left);
    for (CHouse& house : Houses)
        house.SetShared(Shared);
    for (CCloud& cloud : Clouds)
        cloud.Init(Shared, Clock.NowMs());
    for (int k = 0; k < 10; ++k)
        Houses[k].SetPosition(90 + 60 * k, k % 2 == 0 ? 490 : 485);
}

void CBattleScene::ResetSong()
{
    LeaveRequested = BackToMenu = NextSong = PreviousSong = false;
    Timeline.Finished = false;
    Timeline.Position = 0;
    Rules.ResetSong();
    SetHouseLevels(CHouse::PlainLevel);
    // A pause carried over from the previous song, or a player in another window, keeps the
    // pointer free.
    GrabInput(!Paused && !FocusLost);
}

CFolderItem* CBattleScene::CurrentItem() const
{
    if (!Shared || Shared->SelectedItem >= Shared->FolderItems.size())
        return nullptr;
    CFolderItem* item = Shared->FolderItems[Shared->SelectedItem].get();
    return item->GetKind() == CFolderItem::SongKind ? item : nullptr;
}

CAudioFile* CBattleScene::Music() const
{
    return Audio->GetMusic();
}

bool CBattleScene::OpenCurrentSong(bool firstSong)
{
    // A song reached by PageUp, PageDown or continuous play that cannot be played is passed
    // over in the same direction, at most once round the list; the chosen one goes back.
    const size_t attempts = firstSong ? 1 : Shared->FolderItems.size() + 1;
    for (size_t i = 0; i < attempts; ++i)
    {
        CFolderItem* item = CurrentItem();
        if (!item)
            Log("No song to play at entry %u of the list (%zu entries)\n", Shared->SelectedItem,
                Shared->FolderItems.size());
        else if (Audio->OpenForAnalysis(item->GetPath()))
            return true;
        if (firstSong || !item)
            return false;
        Log("Skipping %s\n", item->GetPath().c_str());
        if (!ChooseNextSong())
            return false;
    }
    return false;
}

CScene* CBattleScene::Run()
{
    Clock.Start(*Timer);
    Shared->AnimationTick = Clock.NowMs(); // the shared animation steps on this scene's clock
    Map = Audio->GetAudioMap();
    LoadAssets();
    LayoutScene();
    size_t unplayable = 0; // songs in a row whose music could not be opened after the analysis
    for (bool first = true;; first = false)
    {
        if (!OpenCurrentSong(first))
            return LeaveRequested ? nullptr : BackToMusicSelection();
        CurrentItem()->ReadTrackInfo();
        const bool next = NextSong, previous = PreviousSong;
        ResetSong();
        LoadSong();
        bool played = true;
        if (!LeaveRequested && !BackToMenu)
        {
            played = PlaySong();
            if (played && !LeaveRequested && !BackToMenu)
                ShowResults();
        }
        // A song removed or changed since its analysis fails as a song that cannot be opened:
        // the chosen one goes back, one reached by a key or continuous play is passed over in
        // the same direction.
        if (played)
            unplayable = 0;
        else if (first || ++unplayable > Shared->FolderItems.size())
            return BackToMusicSelection();
        else
        {
            Log("Skipping %s\n", CurrentItem()->GetPath().c_str());
            NextSong = next;
            PreviousSong = previous;
        }
        if (!ChooseNextSong())
            return LeaveRequested ? nullptr : BackToMusicSelection();
    }
}

bool CBattleScene::ChooseNextSong()
{
    uint32_t& selected = Shared->SelectedItem;
    const auto count = uint32_t(Shared->FolderItems.size());
    if (NextSong)
    {
        selected = selected + 1 < count ? selected + 1 : Shared->FirstSongItem;
        LeaveRequested = false;
        return true;
    }
    if (PreviousSong)
    {
        selected = selected > Shared->FirstSongItem ? selected - 1 : count - 1;
        LeaveRequested = false;
        return true;
    }
    if (LeaveRequested || BackToMenu)
        return false;
    if (Shared->PlayContinuous && selected + 1 < count)
    {
        ++selected;
        return true;
    }
    return false;
}

void CBattleScene::HandleEvents(EEvents loop)
{
    SDL_Event event;
    while (NextFrameEvent(event, LeaveRequested))
    {
        bool stop = false;
        switch (event.type)
        {
        case SDL_KEYDOWN:
            HandleKey(event.key.keysym.sym, loop, stop);
            break;
        case SDL_MOUSEMOTION:
            if (loop == EEvents::Playing)
                Rules.OnMouseMotion(event.motion.xrel);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (loop == EEvents::Playing)
                OnMouseButton(event.button.button);
            else if (loop == EEvents::Results && event.button.button == SDL_BUTTON_LEFT)
            {
                ++ResultPhase;
                stop = true;
            }
            break;
        case SDL_ACTIVEEVENT:
            HandleFocus(event.active, loop);
            break;
        default:
            break;
        }
        if (stop)
            return;
    }
}

void CBattleScene::HandleKey(SDLKey key, EEvents loop, bool& stop)
{
    stop = true;
    switch (key)
    {
    case SDLK_ESCAPE:
        if (loop == EEvents::Results)
            ++ResultPhase;
        else if (Paused)
            Resume(loop == EEvents::Loading);
        else
            Pause(loop == EEvents::Loading);
        break;
    case SDLK_q:
        BackToMenu = true;
        break;
    case SDLK_PAGEUP:
        PreviousSong = LeaveRequested = true;
        break;
    case SDLK_PAGEDOWN:
        NextSong = LeaveRequested = true;
        break;
    default:
        stop = false;
    }
}

void CBattleScene::HandleFocus(const SDL_ActiveEvent& active, EEvents loop)
{
    if (!(active.state & (SDL_APPINPUTFOCUS | SDL_APPACTIVE)))
        return;
    // A player who switches windows must never be held by the grab, nor lose points; the
    // analysis and the result screen go on meanwhile.
    FocusLost = active.gain == 0;
    if (loop == EEvents::Playing)
    {
        if (FocusLost && !Paused)
            Pause(false);
    }
    else if (!Paused)
        GrabInput(!FocusLost);
}

void CBattleScene::GrabInput(bool grab)
{
    SDL_ShowCursor(grab ? SDL_DISABLE : SDL_ENABLE);
    SDL_WM_GrabInput(grab ? SDL_GRAB_ON : SDL_GRAB_OFF);
}

void CBattleScene::Pause(bool fromLoading)
{
    Paused = true;
    Clock.SetPaused(true);
    GrabInput(false);
    if (!fromLoading && !Timeline.CountIn && !Timeline.RunOut)
        Audio->PauseMusic();
}

void CBattleScene::Resume(bool fromLoading)
{
    // The key came from this window, so it has the focus again.
    Paused = FocusLost = false;
    Clock.SetPaused(false);
    GrabInput(true);
    if (!fromLoading && !Timeline.CountIn && !Timeline.RunOut)
        Audio->ResumeMusic();
}

void CBattleScene::ShowPauseFrame()
{
    Graphics->Draw(PauseOverlay, 0, 0);
    PresentFrame(*Graphics, PausedFrameDelayMs);
}
