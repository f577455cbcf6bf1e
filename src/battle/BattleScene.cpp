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
    ShieldWidth = 90;
    ShieldReach = 70;
    CatchLeft = CatchRight = 0;
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
    FieldRect = {40, 0, 720, 550};
    LaneRect = {int16_t(FieldRect.x + 60), int16_t(FieldRect.y + 50), FieldRect.w,
                uint16_t(FieldRect.h - 50)};
    MinimX = MinimPrevX = 100;
    MinimY = LaneRect.y + LaneRect.h - 105;
    CatchLeft = MinimX;
    CatchRight = MinimX + ShieldWidth;
    for (CHouse& house : Houses)
        house.SetShared(Shared);
    for (CCloud& cloud : Clouds)
        cloud.Init(Shared);
    for (int k = 0; k < 10; ++k)
        Houses[k].SetPosition(90 + 60 * k, k % 2 == 0 ? 490 : 485);
}

void CBattleScene::ResetSong()
{
    LeaveRequested = BackToMenu = Finished = NextSong = PreviousSong = false;
    BurstFrame = 0;
    Position = 0;
    BurstNote = 0;
    FiringCannon = -1;
    WeaponCount = CaughtCount = MissedCount = 0;
    Score = ReachableScore = MaxScore = 0.0;
    Streak = 0;
    Multiplier = 5;
    SetHouseLevels(3);
    // A pause carried over from the previous song keeps the pointer free.
    GrabInput(!Paused);
}

void CBattleScene::SetHouseLevels(int level)
{
    for (CHouse& house : Houses)
        house.SetLevel(level);
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
    Map = Audio->GetAudioMap();
    LoadAssets();
    LayoutScene();
    for (bool first = true;; first = false)
    {
        if (!OpenCurrentSong(first))
            return LeaveRequested ? nullptr : BackToMusicSelection();
        CurrentItem()->ReadTrackInfo();
        ResetSong();
        LoadSong();
        if (!LeaveRequested && !BackToMenu)
        {
            PlaySong();
            if (!LeaveRequested && !BackToMenu)
                ShowResults();
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
                OnMouseMotion(event.motion.xrel);
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
    // A player who switches windows must never be held by the grab, nor lose points.
    if (active.gain == 0 && loop != EEvents::Results && !Paused)
        Pause(loop == EEvents::Loading);
    else if (loop == EEvents::Results && !Paused)
        GrabInput(active.gain != 0);
}

void CBattleScene::GrabInput(bool grab)
{
    SDL_ShowCursor(grab ? SDL_DISABLE : SDL_ENABLE);
    SDL_WM_GrabInput(grab ? SDL_GRAB_ON : SDL_GRAB_OFF);
}

void CBattleScene::Pause(bool fromLoading)
{
    Paused = true;
    GrabInput(false);
    PauseStart = Timer->GetCounter();
    if (!fromLoading && !CountIn && !RunOut)
        Audio->PauseMusic();
}

void CBattleScene::Resume(bool fromLoading)
{
    Paused = false;
    GrabInput(true);
    const int64_t paused = Timer->GetCounter() - PauseStart;
    for (CCloud& cloud : Clouds)
        cloud.ShiftTime(paused);
    for (CHouse& house : Houses)
        house.ShiftTime(paused);
    if (fromLoading)
        return;
    if (CountIn)
        CountInStart += paused;
    else if (RunOut)
        RunOutStart += paused;
    else
        Audio->ResumeMusic();
}

void CBattleScene::ShowPauseFrame()
{
    Graphics->Draw(PauseOverlay, 0, 0);
    PresentFrame(*Graphics, PausedFrameDelayMs);
}
