#include "graphics/Image.h"

#include "platform/AppPath.h"
#include "platform/Log.h"

#include <SDL/SDL_image.h>

void CImage::Load(const std::string& relativePath, bool colorKey)
{
    Free();
    const std::string path = BuildAppPath(relativePath);
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded)
    {
        Log("Could not load : %s\n", path.c_str());
        return;
    }
    Surface = SDL_DisplayFormat(loaded);
    SDL_FreeSurface(loaded);
    if (!Surface)
    {
        // Without a screen format the picture cannot be shown; the same empty image results.
        Log("Could not load : %s\n", path.c_str());
        return;
    }
    if (colorKey)
        SDL_SetColorKey(Surface, SDL_SRCCOLORKEY, SDL_MapRGB(Surface->format, 255, 0, 255));
}

void CImage::SetAlpha(uint8_t alpha)
{
    if (Surface)
        SDL_SetAlpha(Surface, SDL_SRCALPHA, alpha);
}

void CImage::Attach(SDL_Surface* surface)
{
    if (surface != Surface)
        Free();
    Surface = surface;
}

void CImage::Free()
{
    if (Surface)
        SDL_FreeSurface(Surface);
    Surface = nullptr;
}
