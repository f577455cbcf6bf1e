#pragma once
#include <SDL/SDL.h>

#include <memory>

// A text or picture surface that is drawn and dropped: freed when its holder goes, on every
// path. What the game keeps is a CImage, freed by its Shutdown. Main thread only.
struct SFreeSurface
{
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using COwnedSurface = std::unique_ptr<SDL_Surface, SFreeSurface>;
