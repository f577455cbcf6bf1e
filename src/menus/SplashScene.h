#pragma once
#include "app/FrameHandler.h"
#include "app/Scene.h"
#include "audio/AudioFile.h"
#include "graphics/Image.h"

#include <SDL/SDL.h>

// The maker's logo fades in and out on black while its sound plays: 103 frames, not
// skippable. Returns the title scene (the music browser when a song or folder was named on the
// command line), or null when the window is closed.
class CSplashScene : public CScene, private CFrameHandler
{
public:
    CSplashScene();
    ~CSplashScene() override;

    CScene* Run() override;

private:
    bool HandleEvent(const SDL_Event&) override { return true; } // no input skips the logo
    EFrame Update(int64_t elapsedMs) override;
    void Draw(CGraphics& graphics) const override;
    bool IsDone() const override { return FadedOut; }
    uint32_t FrameDelayMs() const override { return MenuFrameDelayMs; }
    bool StepFade(); // false once the logo has faded out

    int32_t Alpha = 0;
    bool FadingIn = true;
    bool FadedOut = false;
    int16_t LogoX = 0, LogoY = 0;
    CImage Logo;
    SDL_Surface* Background = nullptr; // owned, in the screen's format
    CAudioFile Sound;
};
