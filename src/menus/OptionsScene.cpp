#include "menus/OptionsScene.h"

#include "app/FrameEvents.h"
#include "app/FrameLoop.h"
#include "app/MenuKeys.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "graphics/Graphics.h"
#include "menus/TitledSky.h"
#include "platform/Settings.h"

COptionsScene::COptionsScene()
{
    SetName("Options");
    FullScreen = Settings::FullScreen();
}

COptionsScene::~COptionsScene()
{
    Background.Free();
}

void COptionsScene::ToggleCommonHighscores()
{
    Shared->CommonHighscores = !Shared->CommonHighscores;
    Settings::SetCommonHighscores(Shared->CommonHighscores);
    SeparateBox.SetChecked(!Shared->CommonHighscores);
}

void COptionsScene::ToggleContinuousPlay()
{
    Shared->PlayContinuous = !Shared->PlayContinuous;
    Settings::SetPlayContinuous(Shared->PlayContinuous);
    ContinuousBox.SetChecked(Shared->PlayContinuous);
}

bool COptionsScene::HandleEvent(const SDL_Event& event)
{
    if (event.type == SDL_MOUSEMOTION)
    {
        // The pointer takes the highlight over from the keys.
        List.SetFocus(BackEntry.HitTest(event.motion.x, event.motion.y) ? BackEntryIndex : -1);
        BackEntry.SetHighlighted(List.GetFocus() == BackEntryIndex);
    }
    else if (event.type == SDL_KEYDOWN)
        return HandleKey(event.key.keysym);
    else if (IsLeftClick(event))
    {
        HandleClick(event.button.x, event.button.y);
        // The screen is about to change: later input belongs to the new one.
        return !SwitchRequested;
    }
    return true;
}

bool COptionsScene::HandleKey(const SDL_keysym& key)
{
    const EMenuKey action = key.sym == SDLK_SPACE ? EMenuKey::Choose : MenuKeyOf(key);
    if (key.sym == SDLK_ESCAPE)
        BackChosen = true;
    else if (const int chosen = List.Key(action, EntryCount); chosen >= 0)
    {
        Choose(chosen);
        return !SwitchRequested;
    }
    else
        BackEntry.SetHighlighted(List.GetFocus() == BackEntryIndex);
    return true;
}

void COptionsScene::Choose(int entry)
{
    switch (entry)
    {
    case SeparateEntry:
        ToggleCommonHighscores();
        break;
    case ContinuousEntry:
        ToggleContinuousPlay();
        break;
    case FullScreenEntry:
        SwitchRequested = true;
        break;
    case SyncEntryIndex:
        SyncRequested = true;
        break;
    default:
        BackChosen = true;
    }
}

void COptionsScene::HandleClick(int x, int y)
{
    if (FullScreenBox.HitTest(x, y))
    {
        SwitchRequested = true;
        return;
    }
    if (SeparateBox.HitTest(x, y))
        ToggleCommonHighscores();
    if (ContinuousBox.HitTest(x, y))
        ToggleContinuousPlay();
    if (BackEntry.HitTest(x, y))
        BackChosen = true;
    if (SyncEntry.HitTest(x, y))
        SyncRequested = true;
}

CScene* COptionsScene::SwitchFullScreen()
{
    Settings::SetFullScreen(!FullScreen);
    if (!Graphics->ApplyVideoMode())
    {
        // The other mode is not available: keep the player in the one that worked rather
        // than leave the game without a screen, and store that one again.
        Settings::SetFullScreen(FullScreen);
        Graphics->ApplyVideoMode();
    }
    // The shared images were converted for the old screen's format.
    Shared->FreeSharedImages();
    Shared->LoadSharedImages();
    return Shared->Scenes.Build(ESceneId::Options);
}

CFrameHandler::EFrame COptionsScene::Update(int64_t)
{
    // Alt+Enter or F11 may have switched the screen meanwhile: the box follows.
    FullScreen = Graphics->IsFullScreen();
    FullScreenBox.SetChecked(FullScreen);
    return BackChosen ? EFrame::ShowThenLeave : EFrame::Show;
}

void COptionsScene::Draw(CGraphics& graphics) const
{
    graphics.Draw(Background.GetSurface(), 0, 0);
    FullScreenBox.Draw(graphics, Shared->CheckedImage, Shared->UncheckedImage);
    SeparateBox.Draw(graphics, Shared->CheckedImage, Shared->UncheckedImage);
    ContinuousBox.Draw(graphics, Shared->CheckedImage, Shared->UncheckedImage);
    BackEntry.Draw(graphics, Shared->MenuSelectImage);
    SyncEntry.Draw(graphics);
    // The keys' highlight beside a box or the audio sync entry, as a menu item shows it.
    const struct
    {
        int X, Y;
    } marks[] = {{SeparateBox.GetX(), SeparateBox.GetY()},
                 {ContinuousBox.GetX(), ContinuousBox.GetY()},
                 {FullScreenBox.GetX(), FullScreenBox.GetY()},
                 {SyncEntry.GetX(), SyncEntry.GetY()}};
    const int focus = List.GetFocus();
    if (focus >= 0 && focus < BackEntryIndex)
        CMenuItem::DrawMarker(graphics, Shared->MenuSelectImage, marks[focus].X, marks[focus].Y);
}

CScene* COptionsScene::Run()
{
    LoadTitledSky(Background, "Options", *Graphics, *Fonts);
    FullScreenBox.Create(*Fonts, "Full Screen Mode", 100, 300);
    FullScreenBox.SetChecked(FullScreen);
    SeparateBox.Create(*Fonts, "Store Highscores separately for each users", 100, 100);
    SeparateBox.SetChecked(!Shared->CommonHighscores);
    ContinuousBox.Create(*Fonts, "Continuous play mode", 100, 200);
    ContinuousBox.SetChecked(Shared->PlayContinuous);
    BackEntry.Create(*Fonts, "BACK", 400, 510, true);
    // Back from the audio sync screen or a switch of the screen mode: the keys go on from there.
    List.SetFocus(Shared->OptionsFocus);
    Shared->OptionsFocus = -1;
    BackEntry.SetHighlighted(List.GetFocus() == BackEntryIndex);
    SyncEntry.Create(*Fonts, "Audio Sync : " + std::to_string(CAudio::StoredAudioOffset()) + " ms",
                     140, 400, false, 1);
    if (!RunFrames(*this, *Shared))
        return nullptr;
    if (SwitchRequested || SyncRequested)
        Shared->OptionsFocus = List.GetFocus();
    if (SwitchRequested)
        return SwitchFullScreen();
    return Shared->Scenes.Build(SyncRequested ? ESceneId::AudioSync : ESceneId::Title);
}
