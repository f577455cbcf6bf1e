#pragma once
#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

#include <string>

// The game's one typeface, "data/Komikax.ttf", at 12, 18 and 24 points. Text is UTF-8;
// each render returns a new surface with per-pixel alpha, owned by the caller (free it or
// Attach it to a CImage), or null when rendering failed. Main thread only.
class CFontManager
{
public:
    CFontManager() = default;
    virtual ~CFontManager() = default;
    CFontManager(const CFontManager&) = delete;
    CFontManager& operator=(const CFontManager&) = delete;

    bool Init();
    void Shutdown();

    SDL_Surface* RenderSmall(const std::string& text, bool black);
    SDL_Surface* RenderMedium(const std::string& text, bool black);
    SDL_Surface* RenderLarge(const std::string& text, bool black);

private:
    static SDL_Surface* Render(TTF_Font* font, const std::string& text, bool black);
    bool Open(TTF_Font*& font, const std::string& path, int points);

    TTF_Font* SmallFont = nullptr;
    TTF_Font* MediumFont = nullptr;
    TTF_Font* LargeFont = nullptr;
    bool Started = false;
};
