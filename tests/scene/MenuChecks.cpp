#include "MenuChecks.h"

#include "app/SharedData.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "support/SceneRunner.h"
#include "support/TempHome.h"

#include <fstream>
#include <sstream>

uint32_t SurfaceRgb(SDL_Surface* surface, int x, int y)
{
    SDL_LockSurface(surface);
    const int bpp = surface->format->BytesPerPixel;
    const auto* p = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch + x * bpp;
    uint32_t value = 0;
    if (bpp == 4)
        value = *reinterpret_cast<const uint32_t*>(p);
    else if (bpp == 3)
        value = p[0] | p[1] << 8 | p[2] << 16;
    else if (bpp == 2)
        value = *reinterpret_cast<const uint16_t*>(p);
    else
        value = *p;
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

SDL_Surface* RenderText(CSharedData& shared, const std::string& text, int size)
{
    if (size == 0)
        return shared.Fonts->RenderSmall(text, true);
    if (size == 1)
        return shared.Fonts->RenderMedium(text, true);
    return shared.Fonts->RenderLarge(text, true);
}

int MisplacedTextPixels(CGraphics& graphics, SDL_Surface* text, int x, int y, int& opaque)
{
    int misplaced = 0;
    opaque = 0;
    SDL_LockSurface(text);
    for (int row = 0; row < text->h; ++row)
        for (int column = 0; column < text->w; ++column)
        {
            const auto* p = static_cast<const uint8_t*>(text->pixels) + row * text->pitch +
                            column * text->format->BytesPerPixel;
            uint8_t r = 0, g = 0, b = 0, a = 0;
            SDL_GetRGBA(*reinterpret_cast<const uint32_t*>(p), text->format, &r, &g, &b, &a);
            if (a != 255)
                continue;
            ++opaque;
            if (SurfaceRgb(graphics.GetScreen(), x + column, y + row) != 0)
                ++misplaced;
        }
    SDL_UnlockSurface(text);
    return misplaced;
}

std::string SceneSequence(const std::string& log)
{
    std::istringstream lines(log);
    std::string line, sequence;
    const std::string prefix = "Scene ", suffix = " starting";
    while (std::getline(lines, line))
        if (line.starts_with(prefix) && line.ends_with(suffix))
            sequence += (sequence.empty() ? "" : ",") +
                        line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    return sequence;
}

std::string SettingsFile(const CTempHome& home)
{
    std::ifstream file(home.ConfigHome() / "korvane" / "settings.ini");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
