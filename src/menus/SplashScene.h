#pragma once
#include "app/Scene.h"
#include "audio/AudioFile.h"
#include "graphics/Image.h"

#include <SDL/SDL.h>

// The maker's logo fades in and out on black while its sound plays: 103 frames, not
// skippable. Returns the title scene, or null when the window is closed.
class CSplashScene : public CScene
{
public:
    CSplashScene();
    ~CSplashScene() override;

    CScene* Run() override;

private:
    void HandleEvents(); // sets Quit on the window's close button; ignores all input
    bool StepFade();     // false once the logo has faded out
    bool CreateBackground();

    bool Quit = false;
    int32_t Alpha = 0;
    bool FadingIn = true;
    CImage Logo;
    SDL_Surface* Background = nullptr; // owned, in the screen's format
    CAudioFile Sound;
};
