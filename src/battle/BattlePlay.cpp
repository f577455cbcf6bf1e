#include "battle/BattleScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "audio/AudioMap.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderItem.h"
#include "platform/Log.h"

#include <cinttypes>

bool CBattleScene::StartLevel()
{
    const std::string& path = CurrentItem()->GetPath();
    if (!Audio->OpenMusic(path))
        return false;
    Log("Playing %s\n", path.c_str());
    Rules.StartLevel(uint32_t(Map->GetWeaponCount()));
    SetHouseLevels(MaxMultiplier);
    SongLength = int64_t(Music()->GetLength());
    const CAudioFile* music = Music();
    Timeline.Start(
        Shared->Speed, [music](double seconds) { return music->Seconds2Bytes(seconds); },
        Clock.NowMs());
    Log("Bytes per lines : %" PRId64 "\n", Timeline.BytesPerLine);
    Map->ResetCursor();
    // A player who went to another window during the analysis finds the song waiting.
    if (FocusLost && !Paused)
        Pause(false);
    return true;
}

bool CBattleScene::PlaySong()
{
    if (!StartLevel())
        return false;
    for (bool endDecided = false; !endDecided;)
    {
        Clock.Tick();
        HandleEvents(EEvents::Playing);
        if (LeaveRequested || BackToMenu)
            break;
        if (Paused)
        {
            ShowPauseFrame();
            continue;
        }
        if (Timeline.Advance(Clock.NowMs()))
            Audio->PlayMusic();         // from the start of the song
        endDecided = Timeline.Finished; // this pass still draws
        UpdateGame();
        UpdateScenery(true);
        DrawPlayingFrame();
        PresentFrame(*Graphics, PlayFrameDelayMs);
    }
    Audio->StopMusic();
    Audio->CloseMusic();
    return true;
}

void CBattleScene::UpdateGame()
{
    if (Timeline.UpdatePosition(int64_t(Music()->GetPosition()), Music()->IsPlaying()))
        AnswerOutcome(
            Rules.ScanLane(*Map, Timeline.Position, Timeline.BytesPerLine, Timeline.CountIn));
    else
        Rules.ClearLane();
}

void CBattleScene::DrawPlayingFrame()
{
    Graphics->Draw(BackgroundImage.GetSurface(), 0, 0);
    DrawKorvane();
    DrawScenery();
    DrawClouds();
    DrawMinim(); // the beams fall over Minim and the shield
    DrawLane();
    DrawCannons();
    DrawRocks();
    DrawScoreBar(Rules.Score);
    DrawTime();
    DrawHelpHint();
}
