#include "app/KeyRepeat.h"

bool CKeyRepeat::Moves(SDLKey key)
{
    switch (key)
    {
    case SDLK_UP:
    case SDLK_DOWN:
    case SDLK_LEFT:
    case SDLK_RIGHT:
    case SDLK_PAGEUP:
    case SDLK_PAGEDOWN:
    case SDLK_TAB:
        return true;
    default:
        return false;
    }
}

void CKeyRepeat::Observe(const SDL_Event& event, bool repeats)
{
    switch (event.type)
    {
    case SDL_KEYDOWN:
        // Any other key ends the repeat: Down held, then Enter, does not move on after Enter.
        Held = repeats;
        Press = event;
        Fresh = true;
        HeldMs = 0;
        NextMs = DelayMs;
        break;
    case SDL_KEYUP:
        if (Held && event.key.keysym.sym == Press.key.keysym.sym)
            Held = false;
        break;
    case SDL_ACTIVEEVENT:
        // The release of a key held while the keyboard went elsewhere never reaches us.
        if ((event.active.state & SDL_APPINPUTFOCUS) && !event.active.gain)
            Held = false;
        break;
    default:
        break;
    }
}

bool CKeyRepeat::Advance(int64_t elapsedMs, SDL_Event& repeat)
{
    if (!Held)
        return false;
    // A press read this frame is held from now: the frame's time went by before it.
    if (Fresh)
        elapsedMs = 0;
    Fresh = false;
    HeldMs += elapsedMs;
    if (HeldMs < NextMs)
        return false;
    // On the usual rate; a frame that came late starts it afresh instead of catching up.
    NextMs += IntervalMs;
    if (NextMs <= HeldMs)
        NextMs = HeldMs + IntervalMs;
    repeat = Press;
    return true;
}
