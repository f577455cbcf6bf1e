#pragma once
#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

#include <memory>
#include <string>
#include <vector>

class CFontFallback;
struct STextRun;

// The game's one typeface, "data/Komikax.ttf", at 12, 18 and 24 points. Text is UTF-8;
// each render returns a new surface with per-pixel alpha, owned by the caller (free it or
// Attach it to a CImage), or null when rendering failed. Characters the typeface lacks are
// drawn at the same size and on the same baseline with the desktop's fallback fonts, and
// Hebrew or Arabic reads right to left. Main thread only.
class CFontManager
{
public:
    CFontManager();
    virtual ~CFontManager();
    CFontManager(const CFontManager&) = delete;
    CFontManager& operator=(const CFontManager&) = delete;

    bool Init();
    void Shutdown();

    // With maxWidth_px above 0, a wider line is cut between whole characters and ends in "…".
    SDL_Surface* RenderSmall(const std::string& text, bool black, int maxWidth_px = 0);
    SDL_Surface* RenderMedium(const std::string& text, bool black, int maxWidth_px = 0);
    SDL_Surface* RenderLarge(const std::string& text, bool black, int maxWidth_px = 0);

private:
    SDL_Surface* Render(TTF_Font* font, int points, const std::string& text, bool black,
                        int maxWidth_px);
    std::vector<STextRun> Runs(TTF_Font* font, const std::u32string& line);
    TTF_Font* RunFont(TTF_Font* font, int points, const STextRun& run);
    int LineWidth(TTF_Font* font, int points, const std::u32string& line);
    SDL_Surface* Compose(TTF_Font* font, int points, const std::vector<STextRun>& runs,
                         SDL_Color colour);
    bool Open(TTF_Font*& font, const std::string& path, int points);

    TTF_Font* SmallFont = nullptr;
    TTF_Font* MediumFont = nullptr;
    TTF_Font* LargeFont = nullptr;
    std::unique_ptr<CFontFallback> Fallback;
    bool Started = false;
};
