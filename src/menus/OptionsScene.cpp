#include "menus/OptionsScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "menus/TitleScene.h"
#include "platform/Settings.h"

COptionsScene::COptionsScene()
{
    SetName("Options");
    FullScreen = Settings::ReadNumber("FullScreen") != 0;
}

COptionsScene::~COptionsScene()
{
    Background.Free();
}

void COptionsScene::ToggleSeparateHighscores()
{
    SeparateHighscores = !SeparateHighscores;
    Settings::WriteNumber("SeparateHS", SeparateHighscores ? 1 : 0);
    SeparateBox.SetChecked(SeparateHighscores);
    Shared->CommonHighscores = !SeparateHighscores;
}

void COptionsScene::ToggleContinuousPlay()
{
    ContinuousPlay = !ContinuousPlay;
    Settings::WriteNumber("PlayContinuous", ContinuousPlay ? 1 : 0);
    ContinuousBox.SetChecked(ContinuousPlay);
    Shared->PlayContinuous = ContinuousPlay;
}

void COptionsScene::HandleEvents()
{
    SDL_Event event;
    while (NextFrameEvent(event, Quit))
    {
        if (event.type == SDL_MOUSEMOTION)
            BackEntry.SetHighlighted(BackEntry.HitTest(event.motion.x, event.motion.y));
        else if (IsKeyPress(event, SDLK_ESCAPE))
            Back = true;
        else if (IsLeftClick(event))
        {
            HandleClick(event.button.x, event.button.y);
            if (SwitchRequested)
                return; // the screen is about to change: later input belongs to the new one
        }
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
        ToggleSeparateHighscores();
    if (ContinuousBox.HitTest(x, y))
        ToggleContinuousPlay();
    if (BackEntry.HitTest(x, y))
        Back = true;
}

CScene* COptionsScene::SwitchFullScreen()
{
    Settings::WriteNumber("FullScreen", FullScreen ? 0 : 1);
    if (!Graphics->ApplyVideoMode())
    {
        // The other mode is not available: keep the player in the one that worked rather
        // than leave the game without a screen, and store that one again.
        Settings::WriteNumber("FullScreen", FullScreen ? 1 : 0);
        Graphics->ApplyVideoMode();
    }
    // The shared images were converted for the old screen's format.
    Shared->FreeSharedImages();
    Shared->LoadSharedImages();
    return new COptionsScene();
}

void COptionsScene::Draw()
{
    Graphics->Draw(Background.GetSurface(), 0, 0);
    FullScreenBox.Draw(*Graphics, Shared->CheckedImage, Shared->UncheckedImage);
    SeparateBox.Draw(*Graphics, Shared->CheckedImage, Shared->UncheckedImage);
    ContinuousBox.Draw(*Graphics, Shared->CheckedImage, Shared->UncheckedImage);
    BackEntry.Draw(*Graphics, Shared->MenuSelectImage);
}

CScene* COptionsScene::Run()
{
    Back = false;
    Background.Load("data/sky.png", false);
    if (SDL_Surface* title = Fonts->RenderLarge("Options", true))
    {
        Graphics->DrawOnto(Background.GetSurface(), title, static_cast<int16_t>(400 - title->w / 2),
                           20);
        SDL_FreeSurface(title);
    }
    FullScreenBox.Create(*Fonts, "Full Screen Mode", 100, 300);
    FullScreenBox.SetChecked(FullScreen);
    SeparateBox.Create(*Fonts, "Store Highscores separately for each users", 100, 100);
    SeparateHighscores = !Shared->CommonHighscores;
    SeparateBox.SetChecked(SeparateHighscores);
    ContinuousBox.Create(*Fonts, "Continuous play mode", 100, 200);
    ContinuousPlay = Shared->PlayContinuous;
    ContinuousBox.SetChecked(ContinuousPlay);
    BackEntry.Create(*Fonts, "BACK", 400, 510, true);

    for (;;)
    {
        if (Back)
            return new CTitleScene();
        HandleEvents();
        if (Quit)
            return nullptr;
        if (SwitchRequested)
            return SwitchFullScreen();
        // Alt+Enter or F11 may have switched the screen meanwhile: the box follows.
        FullScreen = Graphics->IsFullScreen();
        FullScreenBox.SetChecked(FullScreen);
        Draw();
        PresentFrame(*Graphics, MenuFrameDelayMs);
    }
}
