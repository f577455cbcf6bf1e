#include "battle/BattleScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "audio/AudioMap.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderItem.h"
#include "platform/Log.h"

#include <cinttypes>

namespace
{
constexpr uint32_t CountInMs = 2000;
constexpr uint32_t RunOutMs = 1000;
} // namespace

void CBattleScene::StartLevel()
{
    WeaponCount = uint32_t(Map->GetWeaponCount());
    MaxScore = double(uint32_t(5u * WeaponCount));
    ReachableScore = 0.0;
    SetHouseLevels(5);
    // A stream that cannot be opened leaves the count-in to run; the song then ends at once.
    Audio->OpenMusic(CurrentItem()->GetPath());
    SongLength = int64_t(Music()->GetLength());
    SecondsPerLine = Shared->Speed / float(LaneRect.h - 100);
    BytesPerLine = Music()->Seconds2Bytes(SecondsPerLine);
    Log("Bytes per lines : %" PRId64 "\n", BytesPerLine);
    Map->ResetCursor();
    SetShield90();
    SongEnded = false;
    CountIn = true;
    CountInStart = Timer->GetCounter();
    RunOut = false;
}

void CBattleScene::PlaySong()
{
    StartLevel();
    for (bool endDecided = false;;)
    {
        if (endDecided)
            break;
        HandleEvents(EEvents::Playing);
        if (LeaveRequested || BackToMenu)
            break;
        if (Paused)
        {
            ShowPauseFrame();
            continue;
        }
        if (CountIn)
        {
            const uint32_t elapsed = Timer->GetElapsedMs(CountInStart, Timer->GetCounter());
            if (elapsed < CountInMs)
                CountInBytes = Music()->Seconds2Bytes((CountInMs - elapsed) / 1000.0);
            else
            {
                Audio->PlayMusic();
                CountIn = false;
            }
        }
        if (SongEnded && !RunOut)
        {
            RunOutStart = Timer->GetCounter();
            RunOut = true;
        }
        if (RunOut)
        {
            const uint32_t elapsed = Timer->GetElapsedMs(RunOutStart, Timer->GetCounter());
            if (elapsed <= RunOutMs)
                RunOutBytes = Music()->Seconds2Bytes(elapsed / 1000.0);
            else
                Finished = true;
        }
        endDecided = Finished; // this pass still draws
        DrawPlayingFrame();
        PresentFrame(*Graphics, PlayFrameDelayMs);
    }
    Audio->StopMusic();
    Audio->CloseMusic();
}

void CBattleScene::DrawPlayingFrame()
{
    Graphics->Draw(BackgroundImage.GetSurface(), 0, 0);
    DrawKorvane();
    DrawScenery(true);
    DrawClouds();
    DrawMinim(); // the beams fall over Minim and the shield
    UpdateGame();
    DrawCannons();
    UpdateRocks();
    DrawScoreBar(Score);
    DrawTime();
    DrawHelpHint();
}

bool CBattleScene::UpdatePosition()
{
    Position = int64_t(Music()->GetPosition());
    if (CountIn)
        Position -= CountInBytes;
    else if (RunOut)
        Position += RunOutBytes;
    else if (!Music()->IsPlaying())
    {
        SongEnded = true;
        return false;
    }
    return true;
}
