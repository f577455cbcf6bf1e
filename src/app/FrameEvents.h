#pragma once
#include "graphics/Graphics.h"

#include <SDL/SDL.h>

// The events every screen reads alike: key and click tests, and the switch between window and
// full screen that every screen offers.

// True for a press of that key.
inline bool IsKeyPress(const SDL_Event& event, SDLKey key)
{
    return event.type == SDL_KEYDOWN && event.key.keysym.sym == key;
}

// Alt+Enter or F11: the switch between window and full screen that every scene offers.
inline bool IsFullScreenKey(const SDL_Event& event)
{
    const bool alt = event.type == SDL_KEYDOWN && (event.key.keysym.mod & KMOD_ALT);
    return IsKeyPress(event, SDLK_F11) ||
           (alt && (IsKeyPress(event, SDLK_RETURN) || IsKeyPress(event, SDLK_KP_ENTER)));
}

// True for a press of the left mouse button.
inline bool IsLeftClick(const SDL_Event& event)
{
    return event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT;
}

// Ctrl+Plus (or Ctrl+=) and Ctrl+Minus: the window one scale step bigger or smaller; 0 for
// any other event.
inline int WindowScaleKey(const SDL_Event& event)
{
    if (event.type != SDL_KEYDOWN || !(event.key.keysym.mod & KMOD_CTRL))
        return 0;
    switch (event.key.keysym.sym)
    {
    case SDLK_PLUS:
    case SDLK_EQUALS:
    case SDLK_KP_PLUS:
        return 1;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        return -1;
    default:
        return 0;
    }
}

// The next pending event of this frame, if any. The close button sets quit and ends the
// handling for the frame: further queued events wait for the next one. The full-screen and
// window scale keys change the screen here, in every scene alike, and no scene sees them.
inline bool NextFrameEvent(CGraphics& graphics, SDL_Event& event, bool& quit)
{
    while (SDL_PollEvent(&event))
    {
        if (event.type == SDL_QUIT)
        {
            quit = true;
            return false;
        }
        if (IsFullScreenKey(event))
            graphics.ToggleFullScreen();
        else if (const int step = WindowScaleKey(event))
            graphics.ScaleWindow(step);
        else
            return true;
    }
    return false;
}
