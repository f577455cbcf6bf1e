#pragma once
#include "graphics/Graphics.h"

#include <SDL/SDL.h>

#include <cstdint>

// Every menu frame ends with the same fixed sleep after Flip: the menus run at somewhat
// under 33 frames per second and count their animations in frames.
constexpr uint32_t MenuFrameDelayMs = 30;

inline void PresentMenuFrame(CGraphics& graphics)
{
    graphics.Flip();
    SDL_Delay(MenuFrameDelayMs);
}

// True for a press of the left mouse button, the only button the menus act on.
inline bool IsLeftClick(const SDL_Event& event)
{
    return event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT;
}

// The next pending event of this frame, if any. The close button sets quit and ends the
// handling for the frame: further queued events wait for the next one.
inline bool NextMenuEvent(SDL_Event& event, bool& quit)
{
    if (!SDL_PollEvent(&event))
        return false;
    if (event.type == SDL_QUIT)
    {
        quit = true;
        return false;
    }
    return true;
}
