#include "MenuChecks.h"

#include "app/SharedData.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "support/TempHome.h"

#include <fstream>
#include <sstream>

namespace
{
SDL_Surface* RenderText(CSharedData& shared, const std::string& text, int size)
{
    if (size == 0)
        return shared.Fonts->RenderSmall(text, true);
    if (size == 1)
        return shared.Fonts->RenderMedium(text, true);
    return shared.Fonts->RenderLarge(text, true);
}

uint32_t RawPixel(SDL_Surface* surface, int x, int y)
{
    const int bpp = surface->format->BytesPerPixel;
    const auto* p = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch + x * bpp;
    if (bpp == 4)
        return *reinterpret_cast<const uint32_t*>(p);
    if (bpp == 3)
        return p[0] | p[1] << 8 | p[2] << 16;
    if (bpp == 2)
        return *reinterpret_cast<const uint16_t*>(p);
    return *p;
}
} // namespace

uint32_t SurfaceRgb(SDL_Surface* surface, int x, int y)
{
    SDL_LockSurface(surface);
    const uint32_t value = RawPixel(surface, x, y);
    SDL_UnlockSurface(surface);
    uint8_t r = 0, g = 0, b = 0;
    SDL_GetRGB(value, surface->format, &r, &g, &b);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

std::vector<uint32_t> ScreenBlock(CGraphics& graphics, int x, int y, int width, int height)
{
    std::vector<uint32_t> block;
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column)
            block.push_back(SurfaceRgb(graphics.GetScreen(), column, row));
    return block;
}

std::pair<int, int> TextSize(CSharedData& shared, const std::string& text, int size)
{
    SDL_Surface* surface = RenderText(shared, text, size);
    const std::pair result{surface->w, surface->h};
    SDL_FreeSurface(surface);
    return result;
}

int TextOffPlace(CGraphics& graphics, CSharedData& shared, const std::string& text, int size, int x,
                 int y, bool centred, uint8_t minAlpha)
{
    SDL_Surface* surface = RenderText(shared, text, size);
    if (centred)
        x -= surface->w / 2;
    int misplaced = 0, opaque = 0;
    SDL_LockSurface(surface);
    for (int row = 0; row < surface->h; ++row)
        for (int column = 0; column < surface->w; ++column)
        {
            uint8_t r = 0, g = 0, b = 0, a = 0;
            SDL_GetRGBA(RawPixel(surface, column, row), surface->format, &r, &g, &b, &a);
            if (a < minAlpha)
                continue;
            ++opaque;
            const uint32_t shown = SurfaceRgb(graphics.GetScreen(), x + column, y + row);
            // Black blended at alpha a over any background leaves at most 256 - a (SDL's blend).
            const uint32_t darkest = minAlpha == 255 ? 0u : 256u - minAlpha;
            misplaced += (shown >> 16) > darkest || (shown >> 8 & 0xFF) > darkest ||
                         (shown & 0xFF) > darkest;
        }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    return opaque ? misplaced : -1;
}

std::vector<uint32_t> MarkerBlock(CGraphics& graphics, CSharedData& shared, int left, int top)
{
    SDL_Surface* marker = shared.MenuSelectImage.GetSurface();
    return marker ? ScreenBlock(graphics, left - 49, top + 4, marker->w, marker->h)
                  : std::vector<uint32_t>{};
}

std::string SettingsFile(const CTempHome& home)
{
    std::ifstream file(home.ConfigHome() / "korvane" / "settings.ini");
    std::string text, line;
    while (std::getline(file, line))
        if (!line.starts_with("WindowScale="))
            text += line + "\n";
    return text;
}
