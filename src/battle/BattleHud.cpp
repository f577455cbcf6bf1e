#include "battle/BattleScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
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
} // namespace

void CBattleScene::DrawKorvane()
{
    Graphics->Draw(KorvaneImage.GetSurface(), int16_t(FieldRect.x), int16_t(FieldRect.y));
}

void CBattleScene::DrawCannons()
{
    for (int k = 0; k < 60; ++k)
    {
        const CImage& cannon = k == FiringCannon ? FiringCannonImage : CannonImage;
        Graphics->Draw(cannon.GetSurface(), int16_t(LaneRect.x + 10 * k), 31);
    }
}

void CBattleScene::DrawHelpHint()
{
    Graphics->Draw(HelpHint, 660, 580);
}

void CBattleScene::DrawTime()
{
    // More than the song's length during the count-in, below zero during the run-out.
    const int64_t remaining = int64_t(Music()->GetLength()) - Position;
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
    ReachableScore = double(5u * (CaughtCount + MissedCount));
    const int w = BarPixels(value, MaxScore);
    const int wr = BarPixels(ReachableScore, MaxScore);
    if (w < wr) // the points lost so far
        Graphics->DrawPart(UnderBarImage.GetSurface(), 150, 570,
                           {int16_t(BarWidth - wr), 0, uint16_t(wr), 20});
    const SDL_Rect part{int16_t(BarWidth - w), 0, uint16_t(w), 20};
    Graphics->DrawPart(GelBarImage.GetSurface(), 150, 570, part);
    // The tint fades as the streak builds up towards the next multiplier.
    if (Multiplier == 4 || Multiplier == 3)
    {
        const int fade = Streak * 128 / 20;
        GelBarOverlayImage.SetAlpha(uint8_t(Multiplier == 4 ? 255 - (fade + 127) : 255 - fade));
        Graphics->DrawPart(GelBarOverlayImage.GetSurface(), 150, 570, part);
    }
    Graphics->Draw(BarStartImage.GetSurface(), 136, 568);
    Graphics->Draw(BarEndImage.GetSurface(), 636, 568);
}

void CBattleScene::DrawRating(double value)
{
    const int percent = MaxScore > 0.0 ? int(value * 100.0 / MaxScore) : 0;
    const int speed = SpeedIndex(Shared->Speed);
    char text[100];
    if (speed >= 0)
        std::snprintf(text, sizeof text, "Final Rating (%s) : %d%%", Speeds[speed].Name, percent);
    else
        std::snprintf(text, sizeof text, "Final Rating : %d%%", percent);
    if (SDL_Surface* surface = Fonts->RenderLarge(text, true))
    {
        Graphics->Draw(surface, int16_t(RatingX), 210);
        SDL_FreeSurface(surface);
    }
}

void CBattleScene::DrawSongTitle()
{
    DrawTitleCentred(180);
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
    DrawTextCentred(Fonts->RenderLarge("- New Highscore -", false), 150);
}

void CBattleScene::DrawClickToContinue()
{
    DrawTextCentred(Fonts->RenderLarge("Click to continue", true), Trophy != 0 ? 350 : 250);
}

void CBattleScene::ShowResults()
{
    // A song without weapons has nothing to rate: 0 %, no trophy, nothing saved.
    const double rating = MaxScore > 0.0 ? 100.0 * Score / MaxScore : 0.0;
    Trophy = MaxScore > 0.0 ? TrophyFor(rating) : 0;
    // Saved at once, before anything is shown, so a skipped screen loses nothing.
    NewBest = MaxScore > 0.0 && CurrentItem()->SaveHighscore(int32_t(rating), SongLength);
    FiringCannon = -1;
    ResultPhase = 0;
    const int64_t start = Timer->GetCounter();
    while (ResultPhase < 2)
    {
        HandleEvents(EEvents::Results);
        if (LeaveRequested || BackToMenu)
            break;
        Graphics->Draw(BackgroundImage.GetSurface(), 0, 0);
        DrawKorvane();
        DrawScenery(false);
        DrawClouds();
        DrawMinim();
        DrawCannons();
        if (ResultPhase == 0)
        {
            // The points pour from the bar into the percentage over 3 seconds.
            const uint32_t t = Timer->GetElapsedMs(start, Timer->GetCounter());
            DrawSongTitle();
            const double moved = t <= 1000 ? 0.0 : t >= 4000 ? Score : (t - 1000) * Score / 3000;
            DrawRating(moved);
            DrawScoreBar(Score - moved);
            if (t > 4000)
                ResultPhase = 1;
        }
        else if (ResultPhase == 1)
        {
            DrawSongTitle();
            DrawTrophy();
            DrawRating(Score);
            DrawScoreBar(0.0);
            if (NewBest)
                DrawNewHighscore();
            DrawClickToContinue();
        }
        PresentFrame(*Graphics, PlayFrameDelayMs);
    }
}
