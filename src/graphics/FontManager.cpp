#include "graphics/FontManager.h"

#include "graphics/FontFallback.h"
#include "graphics/TextRuns.h"
#include "platform/AppPath.h"
#include "platform/Log.h"

#include <algorithm>

namespace
{
constexpr int SmallPoints = 12, MediumPoints = 18, LargePoints = 24;

// The font library's text: 16-bit characters, zero-terminated.
std::vector<Uint16> Ucs2(const std::u32string& text)
{
    std::vector<Uint16> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

// A row of a 32-bit surface in the font library's format (all rendered text shares it).
Uint32* Row(const SDL_Surface* surface, int y)
{
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
}

// The first row of a rendered run with any ink in it (its height when it has none).
int FirstInkRow(const SDL_Surface* run)
{
    for (int y = 0; y < run->h; ++y)
        for (int x = 0; x < run->w; ++x)
            if (Row(run, y)[x] & run->format->Amask)
                return y;
    return run->h;
}

// Lays a run of one-coloured text onto the line; where glyphs overlap the stronger ink wins.
void Overlay(const SDL_Surface* run, SDL_Surface* line, int left, int top)
{
    const Uint32 alpha = line->format->Amask;
    for (int y = std::max(0, -top); y < run->h && y + top < line->h; ++y)
    {
        const Uint32* from = Row(run, y);
        Uint32* to = Row(line, y + top) + left;
        for (int x = 0; x < run->w && x + left < line->w; ++x)
            if ((from[x] & alpha) > (to[x] & alpha))
                to[x] = (to[x] & ~alpha) | (from[x] & alpha);
    }
}
} // namespace

CFontManager::CFontManager() : Fallback(std::make_unique<CFontFallback>()) {}

CFontManager::~CFontManager() = default;

bool CFontManager::Init()
{
    if (TTF_Init() == -1)
    {
        Log("TTF_Init: %s\n", SDL_GetError());
        return false;
    }
    Started = true;
    const std::string path = BuildAppPath("data/Komikax.ttf");
    return Open(SmallFont, path, SmallPoints) && Open(MediumFont, path, MediumPoints) &&
           Open(LargeFont, path, LargePoints);
}

bool CFontManager::Open(TTF_Font*& font, const std::string& path, int points)
{
    font = TTF_OpenFont(path.c_str(), points);
    if (!font)
    {
        Log("TTF_OpenFont: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

void CFontManager::Shutdown()
{
    Fallback->Free();
    for (TTF_Font** font : {&SmallFont, &MediumFont, &LargeFont})
    {
        if (*font)
            TTF_CloseFont(*font);
        *font = nullptr;
    }
    if (Started)
        TTF_Quit();
    Started = false;
}

std::vector<STextRun> CFontManager::Runs(TTF_Font* font, const std::u32string& line)
{
    auto has = [&](int key, char32_t c)
    { return key == 0 ? TTF_GlyphIsProvided(font, Uint16(c)) != 0 : Fallback->Provides(key, c); };
    return VisualRuns(line,
                      [&](char32_t c, int wanted)
                      {
                          if (has(wanted, c))
                              return wanted;
                          return wanted != 0 && has(0, c) ? 0 : Fallback->Find(c);
                      });
}

TTF_Font* CFontManager::RunFont(TTF_Font* font, int points, const STextRun& run)
{
    TTF_Font* fallback = run.Font == 0 ? nullptr : Fallback->Font(run.Font, points);
    return fallback ? fallback : font; // without its font a run shows the game font's boxes
}

int CFontManager::LineWidth(TTF_Font* font, int points, const std::u32string& line)
{
    int total = 0;
    for (const STextRun& run : Runs(font, line))
    {
        int width = 0;
        if (TTF_SizeUNICODE(RunFont(font, points, run), Ucs2(run.Text).data(), &width, nullptr) ==
            0)
            total += width;
    }
    return total;
}

SDL_Surface* CFontManager::Compose(TTF_Font* font, int points, const std::vector<STextRun>& runs,
                                   SDL_Color colour)
{
    // The game font's baseline and height hold; the line grows only for ink beyond them.
    struct SPlaced
    {
        SDL_Surface* Surface;
        int Top;
    };
    std::vector<SPlaced> placed;
    int width = 0, top = 0, bottom = TTF_FontHeight(font);
    for (const STextRun& run : runs)
    {
        TTF_Font* runFont = RunFont(font, points, run);
        SDL_Surface* surface = TTF_RenderUNICODE_Blended(runFont, Ucs2(run.Text).data(), colour);
        if (!surface)
            continue;
        const int runTop = TTF_FontAscent(font) - TTF_FontAscent(runFont);
        top = std::min(top, runTop + FirstInkRow(surface));
        bottom = std::max(bottom, runTop + surface->h);
        width += surface->w;
        placed.push_back({surface, runTop});
    }
    SDL_Surface* line = nullptr;
    if (!placed.empty())
    {
        const SDL_PixelFormat& format = *placed.front().Surface->format;
        line = SDL_CreateRGBSurface(SDL_SWSURFACE, width, bottom - top, 32, format.Rmask,
                                    format.Gmask, format.Bmask, format.Amask);
    }
    if (line)
        SDL_FillRect(line, nullptr, SDL_MapRGBA(line->format, colour.r, colour.g, colour.b, 0));
    int left = 0;
    for (const SPlaced& run : placed)
    {
        if (line)
            Overlay(run.Surface, line, left, run.Top - top);
        left += run.Surface->w;
        SDL_FreeSurface(run.Surface);
    }
    return line;
}

SDL_Surface* CFontManager::Render(TTF_Font* font, int points, const std::string& text, bool black,
                                  int maxWidth_px)
{
    if (!font)
        return nullptr;
    const SDL_Color colour = black ? SDL_Color{0, 0, 0, 0} : SDL_Color{255, 255, 255, 0};
    std::u32string line = DecodeForDisplay(text);
    if (maxWidth_px > 0)
        line = FitWidth(line, maxWidth_px,
                        [&](const std::u32string& part) { return LineWidth(font, points, part); });
    const std::vector<STextRun> runs = Runs(font, line);
    if (runs.size() == 1 && runs.front().Font == 0)
        return TTF_RenderUNICODE_Blended(font, Ucs2(runs.front().Text).data(), colour);
    return Compose(font, points, runs, colour);
}

SDL_Surface* CFontManager::RenderSmall(const std::string& text, bool black, int maxWidth_px)
{
    return Render(SmallFont, SmallPoints, text, black, maxWidth_px);
}

SDL_Surface* CFontManager::RenderMedium(const std::string& text, bool black, int maxWidth_px)
{
    return Render(MediumFont, MediumPoints, text, black, maxWidth_px);
}

SDL_Surface* CFontManager::RenderLarge(const std::string& text, bool black, int maxWidth_px)
{
    return Render(LargeFont, LargePoints, text, black, maxWidth_px);
}
