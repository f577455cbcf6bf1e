#pragma once
#include "graphics/Graphics.h"

#include <SDL/SDL.h>

#include <cstdint>

// The frame every scene repeats: drain the events, draw, present, then a fixed sleep. The
// sleep is the only pacing there is, so animations that count frames run at its rate.

// Fixed sleeps after a frame is shown.
constexpr uint32_t MenuFrameDelayMs = 30;   // menus and the music browser
constexpr uint32_t PlayFrameDelayMs = 20;   // a song being played, the result screen
constexpr uint32_t PausedFrameDelayMs = 33; // the battle's pause overlay

inline void PresentFrame(CGraphics& graphics, uint32_t delayMs)
{
    graphics.Flip();
    SDL_Delay(delayMs);
}

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

// The next pending event of this frame, if any. The close button sets quit and ends the
// handling for the frame: further queued events wait for the next one. The full-screen keys
// switch the screen here, in every scene alike, and no scene sees them.
inline bool NextFrameEvent(SDL_Event& event, bool& quit)
{
    while (SDL_PollEvent(&event))
    {
        if (event.type == SDL_QUIT)
        {
            quit = true;
            return false;
        }
        if (!IsFullScreenKey(event))
            return true;
        CGraphics::ToggleFullScreen();
    }
    return false;
}
