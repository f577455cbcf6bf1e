#include "menus/SplashScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "menus/TitleScene.h"
#include "musicselect/MusicSelectScene.h"
#include "platform/AppPath.h"

CSplashScene::CSplashScene()
{
    SetName("Splash");
}

CSplashScene::~CSplashScene()
{
    Logo.Free();
    if (Background)
        SDL_FreeSurface(Background);
    // Sound closes itself, which stops the logo sound if it is still playing.
}

bool CSplashScene::CreateBackground()
{
    SDL_Surface* raw = SDL_CreateRGBSurface(0, CGraphics::Width, CGraphics::Height, 32, 0x000000FF,
                                            0x0000FF00, 0x00FF0000, 0xFF000000);
    if (!raw)
        return false;
    SDL_Rect all{0, 0, CGraphics::Width, CGraphics::Height};
    SDL_FillRect(raw, &all, SDL_MapRGB(raw->format, 0, 0, 0));
    Background = SDL_DisplayFormat(raw);
    SDL_FreeSurface(raw);
    if (!Background)
        return false;
    // The conversion keeps the alpha flag of the RGBA original, which would send every
    // frame's full-screen blit down the blending path (about 4 ms) for an opaque copy.
    SDL_SetAlpha(Background, 0, SDL_ALPHA_OPAQUE);
    return true;
}

void CSplashScene::HandleEvents()
{
    SDL_Event event;
    while (NextFrameEvent(event, Quit))
    {
        // Keys and clicks do not skip the logo.
    }
}

bool CSplashScene::StepFade()
{
    if (FadingIn)
    {
        Alpha += 5;
        Logo.SetAlpha(static_cast<uint8_t>(Alpha));
        if (Alpha == 255)
            FadingIn = false;
        return true;
    }
    if (Alpha > 0)
    {
        Alpha -= 5;
        Logo.SetAlpha(static_cast<uint8_t>(Alpha));
        return true;
    }
    return false;
}

CScene* CSplashScene::Run()
{
    Logo.Load("data/tessel.png", false);
    const auto logoX = static_cast<int16_t>(400 - Logo.GetWidth() / 2);
    const auto logoY = static_cast<int16_t>(300 - Logo.GetHeight() / 2);
    FadingIn = true;
    Alpha = 0;
    Logo.SetAlpha(0);
    CreateBackground(); // without it the screen keeps its previous content behind the logo

    if (Sound.Open(*Audio, BuildAppPath("data/tessel.wav")))
        Sound.Play();

    bool done = false;
    while (!done)
    {
        HandleEvents();
        if (Quit)
            return nullptr;
        done = !StepFade();
        Graphics->Draw(Background, 0, 0);
        Graphics->Draw(Logo.GetSurface(), logoX, logoY);
        PresentFrame(*Graphics, MenuFrameDelayMs);
    }
    // A song or folder named on the command line opens the browser there.
    if (!Shared->StartPath.empty())
        return new CMusicSelectScene();
    return new CTitleScene();
}
