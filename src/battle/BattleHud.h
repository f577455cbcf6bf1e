#pragma once
#include "battle/rules/LaneGeometry.h"
#include "graphics/Image.h"

#include <SDL/SDL.h>

#include <string>

class CFontManager;
class CGraphics;

// What the battle shows over the world: Korvane and its cannons (built piece by piece while a
// song is analysed), the score bar, the time left, the help hint, the pause and help overlay,
// and the texts of the loading and result screens, with the pictures and texts they need.
// Drawing changes nothing; SetBarTint sets the bar's tint for the frames after it.
// Main thread only.
class CBattleHud
{
public:
    static constexpr int CannonStages = 5; // four pieces, then the cannon

    CBattleHud() = default;
    virtual ~CBattleHud();
    CBattleHud(const CBattleHud&) = delete;
    CBattleHud& operator=(const CBattleHud&) = delete;

    // Every picture in loading order (some are loaded only), the help hint, the pause overlay.
    void Load(CGraphics& graphics, CFontManager& fonts);

    // The bar's tint fades as the streak builds towards the next multiplier; none at the top.
    void SetBarTint(int multiplier, int streak);

    void DrawKorvane(CGraphics& graphics, int x) const;
    void DrawCannons(CGraphics& graphics, int firingColumn) const;
    // `pieces` pieces of the cannons, five per column, column by column.
    void DrawCannonsBuilt(CGraphics& graphics, int pieces) const;
    // The bar full at maxScore: `points` in gel, what was lost so far shaded.
    void DrawScoreBar(CGraphics& graphics, double points, double reachable, double maxScore) const;
    void DrawTime(CGraphics& graphics, CFontManager& fonts, int seconds) const;
    void DrawHelpHint(CGraphics& graphics) const;
    void DrawPause(CGraphics& graphics) const;
    // 1 bronze to 4 perfect, centred under the rating.
    void DrawTrophy(CGraphics& graphics, int trophy) const;

    // A text centred on the screen at y, or with its top left at (x, y); with an outline (the
    // text itself, or its dark rendering), a ring keeps it readable over clouds. Both draw
    // what they are lent and free nothing: the caller holds the surfaces.
    static void DrawCentred(CGraphics& graphics, SDL_Surface* text, SDL_Surface* outline, int y);
    static void DrawOutlined(CGraphics& graphics, SDL_Surface* text, SDL_Surface* outline, int x,
                             int y);
    // The song's title centred at y in the largest size that shows it whole; one that even the
    // small size cannot show whole is cut with "…" at the large size. Outlined, a title in other
    // fonts than the game's gets a ring that stays outside its glyphs, so small ones keep their
    // insides.
    static void DrawTitle(CGraphics& graphics, CFontManager& fonts, const std::string& title, int y,
                          bool outlined);

private:
    static void DrawRingedCentred(CGraphics& graphics, SDL_Surface* text, int y); // lent

    struct SAsset
    {
        CImage* Image;
        const char* File;
        bool ColorKey;
        int Alpha; // -1: none set
    };
    template <class TEach> void ForEachAsset(TEach each);

    CImage KorvaneImage, CannonImage, FiringCannonImage, CannonStageImages[CannonStages - 1];
    CImage StarImage, MinimBronzeImage, MinimSilverImage, MinimGoldImage; // loaded only
    CImage GelBarImage, GelBarOverlayImage, UnderBarImage, BarStartImage, BarEndImage;
    CImage GoldTrophyImage, SilverTrophyImage, BronzeTrophyImage, PerfectTrophyImage;
    CImage BackBarImage, LazerBarImage, ScoreBarImage, LazerImage; // loaded only
    CImage TimeBackImage;
    CImage HelpHint;
    CImage PauseOverlay;
    bool Tinted = false; // the multiplier is below the top
};
