#include "battle/BattleResults.h"

#include "app/Speeds.h"
#include "battle/BattleHud.h"
#include "battle/rules/BattleRules.h"
#include "graphics/FontManager.h"
#include "graphics/OwnedSurface.h"
#include "songs/FolderItem.h"
#include "songs/Highscores.h"

#include <cstdio>

namespace
{
constexpr int64_t PauseMs = 1000;
constexpr int64_t PourMs = 3000;
constexpr int64_t CountMs = PauseMs + PourMs;
} // namespace

void CBattleResults::Layout(CFontManager& fonts)
{
    if (SDL_Surface* sample = fonts.RenderLarge("Final Rating : 99%%", true))
    {
        RatingX = 400 - sample->w / 2;
        SDL_FreeSurface(sample);
    }
}

void CBattleResults::Start(const CBattleRules& rules, CFolderItem& song, int64_t songLength,
                           int64_t nowMs)
{
    const double rating = RatingPercent(rules.Score, rules.MaxScore);
    const bool rated = rules.MaxScore > 0.0;
    Trophy = rated ? TrophyFor(rating) : 0;
    NewBest = rated && song.SaveHighscore(int32_t(rating), songLength);
    SaveError = rated ? song.GetSaveError() : std::string();
    Phase = 0;
    StartMs = nowMs;
    ElapsedMs = 0;
}

void CBattleResults::Update(int64_t nowMs)
{
    if (Phase == 0 && ElapsedMs > CountMs)
        Phase = 1;
    ElapsedMs = nowMs - StartMs;
}

void CBattleResults::DrawRating(CGraphics& graphics, CFontManager& fonts, double points,
                                double maxScore, float speed) const
{
    const int percent = int(RatingPercent(points, maxScore));
    const int index = SpeedIndex(speed);
    char text[100];
    if (index >= 0)
        std::snprintf(text, sizeof text, "Final Rating (%s) : %d%%", Speeds[index].Name, percent);
    else
        std::snprintf(text, sizeof text, "Final Rating : %d%%", percent);
    const COwnedSurface surface(fonts.RenderLarge(text, true));
    CBattleHud::DrawOutlined(graphics, surface.get(), surface.get(), RatingX, 210);
}

void CBattleResults::Draw(CGraphics& graphics, CFontManager& fonts, const CBattleHud& hud,
                          const CBattleRules& rules, const std::string& title, float speed) const
{
    const double score = rules.Score;
    if (Phase == 0)
    {
        const double moved = ElapsedMs <= PauseMs   ? 0.0
                             : ElapsedMs >= CountMs ? score
                                                    : double(ElapsedMs - PauseMs) * score / PourMs;
        CBattleHud::DrawTitle(graphics, fonts, title, 180, true);
        DrawRating(graphics, fonts, moved, rules.MaxScore, speed);
        hud.DrawScoreBar(graphics, score - moved, rules.ReachableScore, rules.MaxScore);
    }
    else if (Phase == 1)
    {
        CBattleHud::DrawTitle(graphics, fonts, title, 180, true);
        hud.DrawTrophy(graphics, Trophy);
        DrawRating(graphics, fonts, score, rules.MaxScore, speed);
        hud.DrawScoreBar(graphics, 0.0, rules.ReachableScore, rules.MaxScore);
        const std::string line = NewBest             ? "- New Highscore -"
                                 : SaveError.empty() ? std::string()
                                                     : "Could not save: " + SaveError;
        if (!line.empty())
        {
            const COwnedSurface plain(fonts.RenderLarge(line, false));
            const COwnedSurface outline(fonts.RenderLarge(line, true));
            CBattleHud::DrawCentred(graphics, plain.get(), outline.get(), 150);
        }
        const COwnedSurface text(fonts.RenderLarge("Click to continue", true));
        CBattleHud::DrawCentred(graphics, text.get(), text.get(), Trophy != 0 ? 350 : 250);
    }
}
