#include "battle/BattleScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "graphics/TextRing.h"
#include "musicselect/FolderItem.h"
#include "musicselect/Highscores.h"
#include "musicselect/Speeds.h"

#include <algorithm>
#include <cstdio>

namespace
{
constexpr int BarWidth = 500;

// Width in pixels of a part of the full bar, 500 at a perfect score; none without weapons.
int BarPixels(double value, double maxScore)
{
    if (maxScore <= 0.0)
        return 0;
    return std::clamp(int(value * BarWidth / maxScore), 0, BarWidth);
}

// The result screen: the bar stays full for a second, then pours into the percentage over
// three.
constexpr int64_t ResultPauseMs = 1000;
constexpr int64_t ResultPourMs = 3000;
constexpr int64_t ResultCountMs = ResultPauseMs + ResultPourMs;

// A one-pixel ring around a text.
constexpr int OutlineOffsets[][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                     {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
} // namespace

void CBattleScene::DrawKorvane()
{
    Graphics->Draw(KorvaneImage.GetSurface(), int16_t(FieldRect.x), int16_t(FieldRect.y));
}

void CBattleScene::DrawCannons()
{
    for (int k = 0; k < Lane::Columns; ++k)
    {
        const CImage& cannon = k == Rules.FiringCannon ? FiringCannonImage : CannonImage;
        Graphics->Draw(cannon.GetSurface(), int16_t(Lane::Left + Lane::ColumnWidth * k),
                       Lane::CannonY);
    }
}

void CBattleScene::DrawHelpHint()
{
    Graphics->Draw(HelpHint, 660, 580);
}

void CBattleScene::DrawTime()
{
    // More than the song's length during the count-in, below zero during the run-out.
    const int64_t remaining = int64_t(Music()->GetLength()) - Timeline.Position;
    const int seconds = remaining <= 0 ? 0 : int(Music()->Bytes2Seconds(remaining));
    Graphics->Draw(TimeBackImage.GetSurface(), 0, 565);
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    if (SDL_Surface* surface = Fonts->RenderMedium(text, false))
    {
        Graphics->Draw(surface, int16_t(50 - surface->w / 2), 565);
        SDL_FreeSurface(surface);
    }
}

void CBattleScene::DrawScoreBar(double value)
{
    const int w = BarPixels(value, Rules.MaxScore);
    const int wr = BarPixels(Rules.ReachableScore, Rules.MaxScore);
    if (w < wr) // the points lost so far
        Graphics->DrawPart(UnderBarImage.GetSurface(), 150, 570,
                           {int16_t(BarWidth - wr), 0, uint16_t(wr), 20});
    const SDL_Rect part{int16_t(BarWidth - w), 0, uint16_t(w), 20};
    Graphics->DrawPart(GelBarImage.GetSurface(), 150, 570, part);
    // The tint fades as the streak builds up towards the next multiplier.
    if (Rules.Multiplier < MaxMultiplier)
    {
        const int fade = Rules.Streak * 128 / StreakPerStep;
        GelBarOverlayImage.SetAlpha(
            uint8_t(Rules.Multiplier == MissMultiplier ? 255 - fade : 255 - (fade + 127)));
        Graphics->DrawPart(GelBarOverlayImage.GetSurface(), 150, 570, part);
    }
    Graphics->Draw(BarStartImage.GetSurface(), 136, 568);
    Graphics->Draw(BarEndImage.GetSurface(), 636, 568);
}

void CBattleScene::DrawRating(double value)
{
    const int percent = Rules.MaxScore > 0.0 ? int(value * 100.0 / Rules.MaxScore) : 0;
    const int speed = SpeedIndex(Shared->Speed);
    char text[100];
    if (speed >= 0)
        std::snprintf(text, sizeof text, "Final Rating (%s) : %d%%", Speeds[speed].Name, percent);
    else
        std::snprintf(text, sizeof text, "Final Rating : %d%%", percent);
    SDL_Surface* surface = Fonts->RenderLarge(text, true);
    DrawOutlined(surface, surface, RatingX, 210);
    if (surface)
        SDL_FreeSurface(surface);
}

void CBattleScene::DrawSongTitle()
{
    DrawTitleCentred(180, true);
}

void CBattleScene::DrawTrophy()
{
    const CImage* trophies[] = {nullptr, &BronzeTrophyImage, &SilverTrophyImage, &GoldTrophyImage,
                                &PerfectTrophyImage};
    if (Trophy > 0 && Trophy <= 4)
        Graphics->Draw(trophies[Trophy]->GetSurface(), 350, 250);
}

void CBattleScene::DrawNewHighscore()
{
    DrawOutlinedCentred(Fonts->RenderLarge("- New Highscore -", false),
                        Fonts->RenderLarge("- New Highscore -", true), 150);
}

void CBattleScene::DrawClickToContinue()
{
    SDL_Surface* text = Fonts->RenderLarge("Click to continue", true);
    DrawOutlinedCentred(text, text, Trophy != 0 ? 350 : 250);
}

void CBattleScene::DrawOutlined(SDL_Surface* text, SDL_Surface* outline, int x, int y)
{
    if (!text)
        return;
    // A dark ring keeps the text readable over the white clouds.
    if (outline)
        for (const auto& offset : OutlineOffsets)
            Graphics->Draw(outline, int16_t(x + offset[0]), int16_t(y + offset[1]));
    Graphics->Draw(text, int16_t(x), int16_t(y));
}

void CBattleScene::DrawOutlinedCentred(SDL_Surface* text, SDL_Surface* outline, int y)
{
    if (text)
        DrawOutlined(text, outline, 400 - text->w / 2, y);
    if (outline && outline != text)
        SDL_FreeSurface(outline);
    if (text)
        SDL_FreeSurface(text);
}

void CBattleScene::DrawRingedCentred(SDL_Surface* text, int y)
{
    if (!text)
        return;
    // Drawn with fallback fonts: a ring only outside the glyphs keeps small ones open.
    const int x = 400 - text->w / 2;
    if (SDL_Surface* ring = OutsideRing(text, SDL_Color{0, 0, 0, 0}))
    {
        Graphics->Draw(ring, int16_t(x - 1), int16_t(y - 1));
        SDL_FreeSurface(ring);
    }
    Graphics->Draw(text, int16_t(x), int16_t(y));
    SDL_FreeSurface(text);
}

void CBattleScene::ShowResults()
{
    // A song without weapons has nothing to rate: 0 %, no trophy, nothing saved.
    const double maxScore = Rules.MaxScore;
    const double rating = maxScore > 0.0 ? 100.0 * Rules.Score / maxScore : 0.0;
    Trophy = maxScore > 0.0 ? TrophyFor(rating) : 0;
    // Saved at once, before anything is shown, so a skipped screen loses nothing.
    NewBest = maxScore > 0.0 && CurrentItem()->SaveHighscore(int32_t(rating), SongLength);
    Rules.FiringCannon = -1;
    ResultPhase = 0;
    const int64_t start = Clock.NowMs();
    while (ResultPhase < 2)
    {
        Clock.Tick();
        HandleEvents(EEvents::Results);
        if (LeaveRequested || BackToMenu)
            break;
        const int64_t elapsed = Clock.NowMs() - start;
        UpdateScenery(false);
        DrawResultFrame(elapsed);
        if (ResultPhase == 0 && elapsed > ResultCountMs)
            ResultPhase = 1;
        PresentFrame(*Graphics, PlayFrameDelayMs);
    }
}

void CBattleScene::DrawResultFrame(int64_t elapsedMs)
{
    Graphics->Draw(BackgroundImage.GetSurface(), 0, 0);
    DrawKorvane();
    DrawScenery();
    DrawClouds();
    Painter.DrawMinim(*Graphics, Rules);
    DrawCannons();
    const double score = Rules.Score;
    if (ResultPhase == 0)
    {
        const double moved = elapsedMs <= ResultPauseMs ? 0.0
                             : elapsedMs >= ResultCountMs
                                 ? score
                                 : double(elapsedMs - ResultPauseMs) * score / ResultPourMs;
        DrawSongTitle();
        DrawRating(moved);
        DrawScoreBar(score - moved);
    }
    else if (ResultPhase == 1)
    {
        DrawSongTitle();
        DrawTrophy();
        DrawRating(score);
        DrawScoreBar(0.0);
        if (NewBest)
            DrawNewHighscore();
        DrawClickToContinue();
    }
}
