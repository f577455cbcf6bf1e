#include "battle/BattleScene.h"

#include "app/SharedData.h"
#include "audio/Audio.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderItem.h"
#include "platform/Log.h"

#include <algorithm>
#include <string>

namespace
{
// The analysis reports up to a thousand steps; a picture per step would cost more than the
// analysis itself, so the screen shows the latest progress at most this often.
constexpr int64_t LoadingFrameMs = 15;
constexpr int32_t Complete = 1000;
// Korvane arrives until this progress; then the cannons are built, a piece per thousandth.
constexpr int32_t Arrived = 700;
constexpr int CannonStages = 5;
constexpr int MaxTextWidth = 600;
} // namespace

void CBattleScene::LoadSong()
{
    UpdateScenery(false);
    Graphics->Draw(BackgroundImage.GetSurface(), 0, 0);
    DrawScenery();
    Graphics->Flip();
    LastLoadingFrame = Clock.NowMs();
    LoadingShown = 0;

    Audio->StartDecoding();
    int32_t progress = 0;
    int32_t shown = 0;
    for (;;)
    {
        Clock.Tick();
        if (progress >= Complete)
        {
            Log("Removing jumps\n");
            Audio->RemoveJumps();
            Log("Building weapons\n");
            Audio->BuildWeapons();
            Log("Decoding complete\n");
            Audio->CloseAnalysis();
            return;
        }
        HandleEvents(EEvents::Loading);
        if (LeaveRequested || BackToMenu)
        {
            Audio->CloseAnalysis();
            return;
        }
        if (Paused)
        {
            ShowPauseFrame();
            continue;
        }
        progress = Audio->DecodeStep();
        if (progress == shown)
            continue;
        if (progress % 100 == 0)
            Log("Decode progress : %d %%\n", progress);
        shown = progress;
        // The finished picture is always shown: the count-in starts from it.
        if (progress < Complete && Clock.NowMs() - LastLoadingFrame < LoadingFrameMs)
            continue;
        LastLoadingFrame = Clock.NowMs();
        LoadingShown = progress;
        UpdateScenery(false);
        DrawLoadingScreen(progress);
        Graphics->Flip();
    }
}

void CBattleScene::DrawLoadingScreen(int32_t progress)
{
    Graphics->Draw(BackgroundImage.GetSurface(), 0, 0);
    DrawScenery();
    DrawClouds();
    // Korvane slides in from the right edge of the play area and stands in place.
    const int arrived = std::min(progress, Arrived);
    Graphics->Draw(
        KorvaneImage.GetSurface(),
        int16_t(Lane::FieldLeft + Lane::FieldWidth - Lane::FieldWidth * arrived / Arrived),
        int16_t(Lane::FieldTop));
    // Then the cannons are built, five stages per column, every column at the end.
    const int pieces = std::clamp(progress - Arrived, 0, Lane::Columns * CannonStages);
    for (int j = 0; j < pieces; ++j)
    {
        const int stage = j % CannonStages;
        const CImage& image = stage < CannonStages - 1 ? CannonStageImages[stage] : CannonImage;
        Graphics->Draw(image.GetSurface(),
                       int16_t(Lane::Left + Lane::ColumnWidth * (j / CannonStages)), Lane::CannonY);
    }
    DrawLoadingText(progress / 10);
    DrawHelpHint();
}

void CBattleScene::DrawTextCentred(SDL_Surface* text, int y)
{
    DrawOutlinedCentred(text, nullptr, y);
}

void CBattleScene::DrawTitleCentred(int y, bool outlined)
{
    const CFolderItem* item = CurrentItem();
    if (!item)
        return;
    const std::string& title = item->GetTitle();
    SDL_Surface* text = Fonts->RenderLarge(title, true);
    if (text && text->w > MaxTextWidth)
    {
        SDL_FreeSurface(text);
        text = Fonts->RenderMedium(title, true);
    }
    if (text && text->w > MaxTextWidth)
    {
        SDL_FreeSurface(text);
        text = Fonts->RenderSmall(title, true, MaxTextWidth); // ends in "…" if cut
    }
    if (outlined && !Fonts->DrawnByGameFont(title))
        DrawRingedCentred(text, y);
    else
        DrawOutlinedCentred(text, outlined ? text : nullptr, y);
}

void CBattleScene::DrawLoadingText(int32_t percent)
{
    DrawTextCentred(Fonts->RenderLarge("Loading...", true), 180);
    DrawTitleCentred(220, false);
    DrawTextCentred(Fonts->RenderLarge(std::to_string(percent) + "%", true), 260);
}
