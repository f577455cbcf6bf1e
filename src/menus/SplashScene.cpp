#include "menus/SplashScene.h"

#include "app/FrameLoop.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
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

CFrameHandler::EFrame CSplashScene::Update(int64_t)
{
    FadedOut = !StepFade(); // the last frame still shows
    return EFrame::Show;
}

void CSplashScene::Draw(CGraphics& graphics) const
{
    graphics.Draw(Background, 0, 0);
    graphics.Draw(Logo.GetSurface(), LogoX, LogoY);
}

CScene* CSplashScene::Run()
{
    Logo.Load("data/tessel.png", false);
    LogoX = static_cast<int16_t>(400 - Logo.GetWidth() / 2);
    LogoY = static_cast<int16_t>(300 - Logo.GetHeight() / 2);
    Logo.SetAlpha(0);
    // Without it the screen keeps its previous content behind the logo.
    Background = CGraphics::NewBlackScreen();

    if (Sound.Open(*Audio, BuildAppPath("data/tessel.wav")))
        Sound.Play();
    if (!RunFrames(*this, *Shared))
        return nullptr;
    // A song or folder named on the command line opens the browser there.
    return Shared->Scenes.Build(Shared->StartPath.empty() ? ESceneId::Title
                                                          : ESceneId::MusicSelect);
}
