#include "graphics/TextShaper.h"

#include "graphics/TextDecode.h"
#include "platform/Log.h"

#include <algorithm>
#include <vector>

namespace
{
// SDL 1.2 keeps a row's length in 16 bits: a longer line is cut at this width.
constexpr int MaxWidth_px = 16000;

uint32_t* Row(const SDL_Surface* surface, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
}

// Lays one pixel onto the line; where glyphs overlap the stronger ink wins.
void Put(SDL_Surface* line, int x, int y, uint32_t argb)
{
    if (x < 0 || y < 0 || x >= line->w || y >= line->h)
        return;
    uint32_t& to = Row(line, y)[x];
    if ((argb >> 24) > (to >> 24))
        to = argb;
}

void PutInk(const SGlyphInk& ink, SDL_Surface* line, int left, int top, uint32_t rgb)
{
    for (int y = 0; y < ink.Height; ++y)
        for (int x = 0; x < ink.Width; ++x)
        {
            const uint32_t p = ink.Pixels[size_t(y) * size_t(ink.Width) + size_t(x)];
            Put(line, left + x, top + y, ink.Colour ? p : (p & 0xFF000000) | rgb);
        }
}

void PutSurface(SDL_Surface* run, SDL_Surface* line, int left, int top)
{
    for (int y = 0; y < run->h; ++y)
        for (int x = 0; x < run->w; ++x)
            Put(line, left + x, top + y, Row(run, y)[x]);
}

void PutBox(const SDL_Rect& box, SDL_Surface* line, int left, int top, uint32_t rgb)
{
    const int stroke = std::max(1, box.h / 12);
    for (int y = 0; y < box.h; ++y)
        for (int x = 0; x < box.w; ++x)
            if (x < stroke || y < stroke || x >= box.w - stroke || y >= box.h - stroke)
                Put(line, left + box.x + x, top + box.y + y, 0xFF000000 | rgb);
}

// Where a glyph's pen lands, in whole pixels from a 26.6 position.
int Pixels(int position)
{
    return (position + 32) >> 6;
}
} // namespace

SDL_Surface* CTextShaper::Render(TTF_Font* font, const SShapedLine& line, SDL_Color colour)
{
    if (!font)
        return nullptr;
    const uint32_t rgb = uint32_t(colour.r) << 16 | uint32_t(colour.g) << 8 | colour.b;
    const int ascent = TTF_FontAscent(font);
    const SDL_Rect box = MissingBox(font);
    // The game font's baseline and height hold; the line grows only for ink beyond them.
    int left = 0, right = Pixels(line.Advance), top = 0, bottom = TTF_FontHeight(font);
    bool ink = false;
    std::vector<SDL_Surface*> game(line.Runs.size(), nullptr);
    int pen = 0;
    for (size_t r = 0; r < line.Runs.size(); ++r)
    {
        const SShapedRun& run = line.Runs[r];
        for (const SShapedGlyph& glyph : run.Glyphs)
        {
            ink = true;
            if (!run.Face)
                continue;
            const SGlyphInk& drawn = run.Face->Ink(glyph.Id);
            const int x = Pixels(pen + glyph.X) + drawn.Left;
            const int y = ascent - Pixels(glyph.Y) - drawn.Top;
            if (drawn.Width == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x + drawn.Width);
            top = std::min(top, y);
            bottom = std::max(bottom, y + drawn.Height);
        }
        if (run.Run.Font == 0 && !run.GameText.empty())
        {
            game[r] = TTF_RenderUNICODE_Blended(font, Ucs2(run.GameText).data(), colour);
            ink = ink || game[r];
        }
        pen += run.Advance;
    }
    // Marks stacked by the thousand grow no taller than a few lines.
    top = std::max(top, -3 * TTF_FontHeight(font));
    bottom = std::min(bottom, 4 * TTF_FontHeight(font));
    left = std::max(left, -TTF_FontHeight(font));
    if (right - left > MaxWidth_px)
        Log("A line of text %d pixels wide is cut at %d\n", right - left, MaxWidth_px);
    SDL_Surface* surface =
        ink ? SDL_CreateRGBSurface(SDL_SWSURFACE, std::min(right - left, MaxWidth_px), bottom - top,
                                   32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
            : nullptr;
    if (surface)
        SDL_FillRect(surface, nullptr, rgb);
    pen = 0;
    for (size_t r = 0; r < line.Runs.size(); ++r)
    {
        const SShapedRun& run = line.Runs[r];
        for (const SShapedGlyph& glyph : run.Glyphs)
            if (surface && run.Face)
            {
                const SGlyphInk& drawn = run.Face->Ink(glyph.Id);
                PutInk(drawn, surface, Pixels(pen + glyph.X) + drawn.Left - left,
                       ascent - Pixels(glyph.Y) - drawn.Top - top, rgb);
            }
            else if (surface)
                PutBox(box, surface, Pixels(pen + glyph.X) - left, -top, rgb);
        if (game[r])
        {
            if (surface)
                PutSurface(game[r], surface, Pixels(pen) - left, -top);
            SDL_FreeSurface(game[r]);
        }
        pen += run.Advance;
    }
    return surface;
}
