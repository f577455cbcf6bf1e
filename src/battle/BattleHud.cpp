#include "battle/BattleHud.h"

#include "battle/rules/BattleRules.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "graphics/OwnedSurface.h"
#include "graphics/TextRing.h"

#include <algorithm>
#include <cstdio>

namespace
{
constexpr int BarWidth = 500;
constexpr int MaxTitleWidth = 600;

// Width in pixels of a part of the full bar, 500 at maxScore; none without weapons.
int BarPixels(double value, double maxScore)
{
    if (maxScore <= 0.0)
        return 0;
    return std::clamp(int(value * BarWidth / maxScore), 0, BarWidth);
}

// A one-pixel ring around a text.
constexpr int OutlineOffsets[][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                     {1, 0},   {-1, 1}, {0, 1},  {1, 1}};

const char* const ControlRows[][2] = {
    {"Mouse, Move", "Moves Minim left or right"},
    {"Mouse, Left-Click", "Morph shield"},
    {"Mouse, Wheel Up/Down", "Morph shield"},
    {"[PageUp]", "Previous music file"},
    {"[PageDown]", "Next music file"},
    {"[Q]", "Return to music selection menu"},
};
} // namespace

CBattleHud::~CBattleHud()
{
    ForEachAsset([](const SAsset& asset) { asset.Image->Free(); });
    HelpHint.Free();
    PauseOverlay.Free();
}

template <class TEach> void CBattleHud::ForEachAsset(TEach each)
{
    const SAsset assets[] = {
        {&KorvaneImage, "data/korvane.png", true, -1},
        {&CannonImage, "data/cannon1.png", true, -1},
        {&FiringCannonImage, "data/cannon2.png", true, -1},
        {&CannonStageImages[0], "data/cannon0a.png", true, -1},
        {&CannonStageImages[1], "data/cannon0b.png", true, -1},
        {&CannonStageImages[2], "data/cannon0c.png", true, -1},
        {&CannonStageImages[3], "data/cannon0d.png", true, -1},
        {&StarImage, "data/star.png", true, -1},
        {&MinimBronzeImage, "data/minimbronze2.png", true, -1},
        {&MinimSilverImage, "data/minimsilver2.png", true, -1},
        {&MinimGoldImage, "data/minimgold2.png", true, -1},
        {&GelBarImage, "data/gelbar.png", true, -1},
        {&GelBarOverlayImage, "data/gelbar2.png", true, -1},
        {&UnderBarImage, "data/underbar.png", true, 128},
        {&BarStartImage, "data/barstart.png", true, -1},
        {&BarEndImage, "data/barend.png", true, -1},
        {&GoldTrophyImage, "data/GoldTrophy.png", true, -1},
        {&SilverTrophyImage, "data/SilverTrophy.png", true, -1},
        {&BronzeTrophyImage, "data/BronzeTrophy.png", true, -1},
        {&PerfectTrophyImage, "data/PerfectTrophy.png", true, -1},
        {&BackBarImage, "data/backbar.png", false, 128},
        {&LazerBarImage, "data/lazerbar.png", false, -1},
        {&ScoreBarImage, "data/scorebar.png", false, 128},
        {&LazerImage, "data/lazer.png", true, -1},
        {&TimeBackImage, "data/timeback.png", true, -1},
    };
    for (const SAsset& asset : assets)
        each(asset);
}

void CBattleHud::Load(CGraphics& graphics, CFontManager& fonts)
{
    ForEachAsset(
        [](const SAsset& asset)
        {
            asset.Image->Load(asset.File, asset.ColorKey);
            if (asset.Alpha >= 0)
                asset.Image->SetAlpha(uint8_t(asset.Alpha));
        });
    HelpHint.Attach(fonts.RenderSmall("Press ESC for help", true));

    PauseOverlay.Attach(CGraphics::NewBlackScreen());
    SDL_Surface* overlay = PauseOverlay.GetSurface();
    if (!overlay)
        return;
    const auto put = [&](SDL_Surface* rendered, int x, int y, bool centred)
    {
        const COwnedSurface text(rendered);
        if (text)
            graphics.DrawOnto(overlay, text.get(), int16_t(centred ? x - text->w / 2 : x),
                              int16_t(y));
    };
    put(fonts.RenderLarge("Paused - Press Esc to resume", false), 400, 100, true);
    put(fonts.RenderLarge("Controls", false), 400, 180, true);
    int y = 220;
    for (const auto& row : ControlRows)
    {
        put(fonts.RenderSmall(row[0], false), 200, y, false);
        put(fonts.RenderSmall(row[1], false), 400, y, false);
        y += 30;
    }
}

void CBattleHud::SetBarTint(int multiplier, int streak)
{
    Tinted = multiplier < MaxMultiplier;
    if (!Tinted)
        return;
    const int fade = streak * 128 / StreakPerStep;
    GelBarOverlayImage.SetAlpha(
        uint8_t(multiplier == MissMultiplier ? 255 - fade : 255 - (fade + 127)));
}

void CBattleHud::DrawKorvane(CGraphics& graphics, int x) const
{
    graphics.Draw(KorvaneImage.GetSurface(), int16_t(x), int16_t(Lane::FieldTop));
}

void CBattleHud::DrawCannons(CGraphics& graphics, int firingColumn) const
{
    for (int k = 0; k < Lane::Columns; ++k)
    {
        const CImage& cannon = k == firingColumn ? FiringCannonImage : CannonImage;
        graphics.Draw(cannon.GetSurface(), int16_t(Lane::Left + Lane::ColumnWidth * k),
                      Lane::CannonY);
    }
}

void CBattleHud::DrawCannonsBuilt(CGraphics& graphics, int pieces) const
{
    for (int j = 0; j < pieces; ++j)
    {
        const int stage = j % CannonStages;
        const CImage& image = stage < CannonStages - 1 ? CannonStageImages[stage] : CannonImage;
        graphics.Draw(image.GetSurface(),
                      int16_t(Lane::Left + Lane::ColumnWidth * (j / CannonStages)), Lane::CannonY);
    }
}

void CBattleHud::DrawScoreBar(CGraphics& graphics, double points, double reachable,
                              double maxScore) const
{
    const int w = BarPixels(points, maxScore);
    const int wr = BarPixels(reachable, maxScore);
    if (w < wr) // the points lost so far
        graphics.DrawPart(UnderBarImage.GetSurface(), 150, 570,
                          {int16_t(BarWidth - wr), 0, uint16_t(wr), 20});
    const SDL_Rect part{int16_t(BarWidth - w), 0, uint16_t(w), 20};
    graphics.DrawPart(GelBarImage.GetSurface(), 150, 570, part);
    if (Tinted)
        graphics.DrawPart(GelBarOverlayImage.GetSurface(), 150, 570, part);
    graphics.Draw(BarStartImage.GetSurface(), 136, 568);
    graphics.Draw(BarEndImage.GetSurface(), 636, 568);
}

void CBattleHud::DrawTime(CGraphics& graphics, CFontManager& fonts, int seconds) const
{
    graphics.Draw(TimeBackImage.GetSurface(), 0, 565);
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    if (const COwnedSurface surface{fonts.RenderMedium(text, false)})
        graphics.Draw(surface.get(), int16_t(50 - surface->w / 2), 565);
}

void CBattleHud::DrawHelpHint(CGraphics& graphics) const
{
    graphics.Draw(HelpHint.GetSurface(), 660, 580);
}

void CBattleHud::DrawPause(CGraphics& graphics) const
{
    graphics.Draw(PauseOverlay.GetSurface(), 0, 0);
}

void CBattleHud::DrawTrophy(CGraphics& graphics, int trophy) const
{
    const CImage* trophies[] = {nullptr, &BronzeTrophyImage, &SilverTrophyImage, &GoldTrophyImage,
                                &PerfectTrophyImage};
    if (trophy > 0 && trophy <= 4)
        graphics.Draw(trophies[trophy]->GetSurface(), 350, 250);
}

void CBattleHud::DrawOutlined(CGraphics& graphics, SDL_Surface* text, SDL_Surface* outline, int x,
                              int y)
{
    if (!text)
        return;
    if (outline)
        for (const auto& offset : OutlineOffsets)
            graphics.Draw(outline, int16_t(x + offset[0]), int16_t(y + offset[1]));
    graphics.Draw(text, int16_t(x), int16_t(y));
}

void CBattleHud::DrawCentred(CGraphics& graphics, SDL_Surface* text, SDL_Surface* outline, int y)
{
    if (text)
        DrawOutlined(graphics, text, outline, 400 - text->w / 2, y);
}

void CBattleHud::DrawTitle(CGraphics& graphics, CFontManager& fonts, const std::string& title,
                           int y, bool outlined)
{
    // Large, else medium, else small: the largest that shows the whole title. One that would
    // not fit even small is cut with "…" at the large size rather than shrunk and cut (a
    // smear of tiny letters, too small under the outline to be read).
    COwnedSurface text(fonts.RenderLarge(title, true));
    if (text && text->w > MaxTitleWidth)
        text.reset(fonts.RenderMedium(title, true));
    if (text && text->w > MaxTitleWidth)
        text.reset(fonts.RenderSmall(title, true));
    if (text && text->w > MaxTitleWidth)
        text.reset(fonts.RenderLarge(title, true, MaxTitleWidth)); // ends in "…"
    if (outlined && !fonts.DrawnByGameFont(title))
        DrawRingedCentred(graphics, text.get(), y);
    else
        DrawCentred(graphics, text.get(), outlined ? text.get() : nullptr, y);
}

void CBattleHud::DrawRingedCentred(CGraphics& graphics, SDL_Surface* text, int y)
{
    if (!text)
        return;
    // Drawn with fallback fonts: a ring only outside the glyphs keeps small ones open.
    const int x = 400 - text->w / 2;
    if (const COwnedSurface ring{OutsideRing(text, SDL_Color{0, 0, 0, 0})})
        graphics.Draw(ring.get(), int16_t(x - 1), int16_t(y - 1));
    graphics.Draw(text, int16_t(x), int16_t(y));
}
