#pragma once
#include "graphics/TextDecode.h"

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

#include <memory>
#include <string>

class CTextShaper;
struct SShapedLine;

// The game's one typeface, "data/Komikax.ttf", at 12, 18 and 24 points. Text is UTF-8;
// each render returns a new surface with per-pixel alpha, owned by the caller (free it or
// Attach it to a CImage), or null when rendering failed. A line the typeface draws alone is
// SDL_ttf's rendering of it; any other line is ordered, shaped and drawn with the desktop's
// fallback fonts, sized to match the typeface, on its baseline. Main thread only.
class CFontManager
{
public:
    CFontManager();
    virtual ~CFontManager();
    CFontManager(const CFontManager&) = delete;
    CFontManager& operator=(const CFontManager&) = delete;

    bool Init();
    void Shutdown();

    // With maxWidth_px above 0, a wider line is cut between whole characters and ends in "…"
    // (or, keeping its end, begins with it).
    SDL_Surface* RenderSmall(const std::string& text, bool black, int maxWidth_px = 0,
                             ECut cut = ECut::KeepStart);
    SDL_Surface* RenderMedium(const std::string& text, bool black, int maxWidth_px = 0);
    SDL_Surface* RenderLarge(const std::string& text, bool black, int maxWidth_px = 0);

    // Whether the typeface alone draws the text (rendered by SDL_ttf as it always was).
    bool DrawnByGameFont(const std::string& text) const;
    // How a line is laid out at 12, 18 or 24 points, as the render of that size draws it.
    SShapedLine LayOut(const std::string& text, int points);

private:
    TTF_Font* FontAt(int points) const;
    SDL_Surface* Render(int points, const std::string& text, bool black, int maxWidth_px,
                        ECut cut = ECut::KeepStart);
    int LineWidth(TTF_Font* font, int points, const std::u32string& line);
    bool Open(TTF_Font*& font, const std::string& path, int points);

    TTF_Font* SmallFont = nullptr;
    TTF_Font* MediumFont = nullptr;
    TTF_Font* LargeFont = nullptr;
    std::unique_ptr<CTextShaper> Shaper;
    bool Started = false;
};
