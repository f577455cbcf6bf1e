#include "graphics/FontManager.h"

#include "graphics/TextDecode.h"
#include "graphics/TextShaper.h"
#include "platform/AppPath.h"
#include "platform/Log.h"

namespace
{
constexpr int SmallPoints = 12, MediumPoints = 18, LargePoints = 24;
} // namespace

CFontManager::CFontManager() : Shaper(std::make_unique<CTextShaper>()) {}

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
    Shaper->SetGameFont(path);
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
    Shaper->Free();
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

TTF_Font* CFontManager::FontAt(int points) const
{
    return points == SmallPoints    ? SmallFont
           : points == MediumPoints ? MediumFont
           : points == LargePoints  ? LargeFont
                                    : nullptr;
}

bool CFontManager::DrawnByGameFont(const std::string& text) const
{
    return LargeFont && Shaper->DrawsAlone(LargeFont, NormalText(text));
}

SShapedLine CFontManager::LayOut(const std::string& text, int points)
{
    return Shaper->Shape(FontAt(points), points, NormalText(text));
}

int CFontManager::LineWidth(TTF_Font* font, int points, const std::u32string& line)
{
    int width = 0;
    if (Shaper->DrawsAlone(font, line))
        TTF_SizeUNICODE(font, Ucs2(Visible(line)).data(), &width, nullptr);
    else
        width = (Shaper->Shape(font, points, line).Advance + 32) >> 6;
    return width;
}

SDL_Surface* CFontManager::Render(int points, const std::string& text, bool black, int maxWidth_px,
                                  ECut cut)
{
    TTF_Font* font = FontAt(points);
    if (!font)
        return nullptr;
    const SDL_Color colour = black ? SDL_Color{0, 0, 0, 0} : SDL_Color{255, 255, 255, 0};
    std::u32string line = NormalText(text);
    if (maxWidth_px > 0)
        line = FitWidth(
            line, maxWidth_px,
            [&](const std::u32string& part) { return LineWidth(font, points, part); }, cut);
    if (Shaper->DrawsAlone(font, line))
        return TTF_RenderUNICODE_Blended(font, Ucs2(Visible(line)).data(), colour);
    return Shaper->Render(font, Shaper->Shape(font, points, line), colour);
}

SDL_Surface* CFontManager::RenderSmall(const std::string& text, bool black, int maxWidth_px,
                                       ECut cut)
{
    return Render(SmallPoints, text, black, maxWidth_px, cut);
}

SDL_Surface* CFontManager::RenderMedium(const std::string& text, bool black, int maxWidth_px)
{
    return Render(MediumPoints, text, black, maxWidth_px);
}

SDL_Surface* CFontManager::RenderLarge(const std::string& text, bool black, int maxWidth_px)
{
    return Render(LargePoints, text, black, maxWidth_px);
}
