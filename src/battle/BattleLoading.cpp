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
constexpr uint32_t LoadingFrameMs = 15;
constexpr int MaxTextWidth = 600;
} // namespace

void CBattleScene::LoadSong()
{
    Graphics->Draw(BackgroundImage.GetSurface(), 0, 0);
    DrawScenery(false);
    Graphics->Flip();
    LastLoadingFrame = Timer->GetCounter();

    Audio->StartDecoding();
    int32_t progress = 0;
    int32_t shown = 0;
    for (;;)
    {
        if (progress >= 1000)
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
        const int64_t now = Timer->GetCounter();
        if (Timer->GetElapsedMs(LastLoadingFrame, now) < LoadingFrameMs)
            continue;
        LastLoadingFrame = now;
        DrawLoadingScreen(progress);
        Graphics->Flip();
    }
}

void CBattleScene::DrawLoadingScreen(int32_t progress)
{
    Graphics->Draw(BackgroundImage.GetSurface(), 0, 0);
    DrawScenery(false);
    DrawClouds();
    // Korvane slides in from the right and stands in place at 700.
    const int arrived = std::min(progress, 700);
    Graphics->Draw(KorvaneImage.GetSurface(), int16_t(40 + 720 - 720 * arrived / 700), 0);
    // Then the cannons are built, five stages per column, 60 columns at 1000.
    const int pieces = std::clamp(progress - 700, 0, 300);
    for (int j = 0; j < pieces; ++j)
    {
        const int stage = j % 5;
        const CImage& image = stage < 4 ? CannonStageImages[stage] : CannonImage;
        Graphics->Draw(image.GetSurface(), int16_t(100 + 10 * (j / 5)), 31);
    }
    DrawLoadingText(progress / 10);
    DrawHelpHint();
}

void CBattleScene::DrawTextCentred(SDL_Surface* text, int y)
{
    if (!text)
        return;
    Graphics->Draw(text, int16_t(400 - text->w / 2), int16_t(y));
    SDL_FreeSurface(text);
}

void CBattleScene::DrawTitleCentred(int y)
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
    DrawTextCentred(text, y);
}

void CBattleScene::DrawLoadingText(int32_t percent)
{
    DrawTextCentred(Fonts->RenderLarge("Loading...", true), 180);
    DrawTitleCentred(220);
    DrawTextCentred(Fonts->RenderLarge(std::to_string(percent) + "%", true), 260);
}
