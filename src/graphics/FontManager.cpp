#include "graphics/FontManager.h"

#include "platform/AppPath.h"
#include "platform/Log.h"

bool CFontManager::Init()
{
    if (TTF_Init() == -1)
    {
        Log("TTF_Init: %s\n", SDL_GetError());
        return false;
    }
    Started = true;
    const std::string path = BuildAppPath("data/Komikax.ttf");
    return Open(SmallFont, path, 12) && Open(MediumFont, path, 18) && Open(LargeFont, path, 24);
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

SDL_Surface* CFontManager::Render(TTF_Font* font, const std::string& text, bool black)
{
    if (!font)
        return nullptr;
    const SDL_Color colour = black ? SDL_Color{0, 0, 0, 0} : SDL_Color{255, 255, 255, 0};
    return TTF_RenderUTF8_Blended(font, text.c_str(), colour);
}

SDL_Surface* CFontManager::RenderSmall(const std::string& text, bool black)
{
    return Render(SmallFont, text, black);
}

SDL_Surface* CFontManager::RenderMedium(const std::string& text, bool black)
{
    return Render(MediumFont, text, black);
}

SDL_Surface* CFontManager::RenderLarge(const std::string& text, bool black)
{
    return Render(LargeFont, text, black);
}
