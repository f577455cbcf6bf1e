// The battle's three phases: the loading screen while the song is analysed, the song played
// as a level, and the result screen.
#include "battle/BattleScene.h"

#include "app/SharedData.h"
#include "audio/Audio.h"
#include "audio/map/AudioMap.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "graphics/OwnedSurface.h"
#include "platform/Log.h"
#include "songs/FolderItem.h"

#include <algorithm>
#include <cinttypes>
#include <string>

namespace
{
// The analysis reports up to a thousand steps; a picture per step would cost more than the
// analysis itself, so the screen shows the latest progress at most this often.
constexpr int64_t LoadingFrameMs = 15;
constexpr int32_t Complete = 1000;
// Korvane arrives until this progress; then the cannons are built, a piece per thousandth.
constexpr int32_t Arrived = 700;
} // namespace

CFrameHandler::EFrame CBattleScene::UpdateLoading()
{
    if (Progress >= Complete)
    {
        Log("Removing jumps\n");
        Audio->GetAnalysis().RemoveJumps();
        Log("Building weapons\n");
        Audio->GetAnalysis().BuildWeapons();
        Log("Decoding complete\n");
        Audio->CloseAnalysis();
        if (!StartLevel())
            return NextAfter(false);
        Step = EStep::Playing;
        return UpdatePlaying();
    }
    if (Asked != EAsked::Nothing)
    {
        Audio->CloseAnalysis();
        return NextAfter(true);
    }
    if (Paused)
        return EFrame::Show;
    Progress = Audio->GetAnalysis().DecodeStep();
    if (Progress == ProgressShown)
        return EFrame::Hold;
    if (Progress % 100 == 0)
        Log("Decode progress : %d %%\n", Progress);
    ProgressShown = Progress;
    // The finished picture is always shown: the count-in starts from it.
    if (Progress < Complete && Clock.NowMs() - LastLoadingFrame < LoadingFrameMs)
        return EFrame::Hold;
    LastLoadingFrame = Clock.NowMs();
    Step = EStep::Loading;
    LoadingShown = Progress;
    Scenery.Update(Clock.NowMs(), false, Shared->Timer.Random);
    return EFrame::Show;
}

bool CBattleScene::StartLevel()
{
    const std::string& path = Queue.Current()->GetPath();
    if (!Audio->OpenMusic(path))
        return false;
    Log("Playing %s\n", path.c_str());
    Rules.StartLevel(*Audio->GetAudioMap());
    Scenery.SetHouseLevels(MaxMultiplier);
    SongLength = int64_t(Audio->GetMusic()->GetLength());
    // The browser may have taken a damaged MP3's length from its header: the scores follow
    // the length the song really has.
    Queue.Current()->TakeMeasuredLength(SongLength);
    const CAudioFile* music = Audio->GetMusic();
    Timeline.Start(
        Shared->Speed, [music](double seconds) { return music->Seconds2Bytes(seconds); },
        Clock.NowMs());
    Log("Bytes per lines : %" PRId64 "\n", Timeline.BytesPerLine);
    // A player who went to another window during the analysis finds the song waiting.
    if (FocusLost && !Paused)
        Pause();
    return true;
}

CFrameHandler::EFrame CBattleScene::UpdatePlaying()
{
    if (Asked != EAsked::Nothing)
    {
        EndPlay();
        return NextAfter(true);
    }
    if (Paused)
        return EFrame::Show;
    if (Timeline.Advance(Clock.NowMs()))
        Audio->PlayMusic(); // from the start of the song
    const SFrameOutcome outcome = Rules.StepLane(
        Timeline, int64_t(Audio->GetMusic()->GetPosition()), Audio->GetMusic()->IsPlaying());
    Scenery.Answer(outcome, Rules.Multiplier, Clock.NowMs(), Shared->Timer.Random);
    Scenery.Update(Clock.NowMs(), true, Shared->Timer.Random);
    Hud.SetBarTint(Rules.Multiplier, Rules.Streak);
    // The run-out's last frame still shows the lane; the next frame's events already belong
    // to the result screen, whose rating is saved before anything of it is shown.
    if (Timeline.Finished)
    {
        EndPlay();
        Step = EStep::PlayOver;
        Results.Start(Rules, *Queue.Current(), SongLength, Clock.NowMs());
        Shared->PendingSaves.RetryAll(); // any save that failed before, on a disk freed since
    }
    return EFrame::Show;
}

void CBattleScene::EndPlay()
{
    Audio->StopMusic();
    Audio->CloseMusic();
}

CFrameHandler::EFrame CBattleScene::UpdateResults()
{
    if (Step == EStep::PlayOver)
        Step = EStep::Results;
    if (Asked != EAsked::Nothing || Step == EStep::ResultsOver)
        return NextAfter(true);
    Scenery.Update(Clock.NowMs(), false, Shared->Timer.Random);
    Results.Update(Clock.NowMs());
    if (Results.GetPhase() >= 2)
        Step = EStep::ResultsOver; // this frame still shows
    return EFrame::Show;
}

void CBattleScene::DrawField(CGraphics& graphics) const
{
    Scenery.DrawSky(graphics);
    Hud.DrawKorvane(graphics, Lane::FieldLeft);
    Scenery.DrawGround(graphics, Clock.NowMs());
    Scenery.DrawClouds(graphics);
    Painter.DrawMinim(graphics, Rules); // the beams fall over Minim and the shield
}

void CBattleScene::DrawLoading(CGraphics& graphics) const
{
    Scenery.DrawSky(graphics);
    Scenery.DrawGround(graphics, Clock.NowMs());
    if (Step == EStep::FirstPicture)
        return;
    Scenery.DrawClouds(graphics);
    // Korvane slides in from the right edge of the play area and stands in place.
    const int arrived = std::min(LoadingShown, Arrived);
    Hud.DrawKorvane(graphics,
                    Lane::FieldLeft + Lane::FieldWidth - Lane::FieldWidth * arrived / Arrived);
    // Then the cannons are built, five stages per column, every column at the end.
    Hud.DrawCannonsBuilt(
        graphics, std::clamp(LoadingShown - Arrived, 0, Lane::Columns * CBattleHud::CannonStages));
    CBattleHud::DrawCentred(graphics, COwnedSurface(Fonts->RenderLarge("Loading...", true)).get(),
                            nullptr, 180);
    if (const CFolderItem* item = Queue.Current())
        CBattleHud::DrawTitle(graphics, *Fonts, item->GetTitle(), 220, false);
    const COwnedSurface percent(Fonts->RenderLarge(std::to_string(LoadingShown / 10) + "%", true));
    CBattleHud::DrawCentred(graphics, percent.get(), nullptr, 260);
    Hud.DrawHelpHint(graphics);
}

void CBattleScene::DrawPlaying(CGraphics& graphics) const
{
    DrawField(graphics);
    if (Step == EStep::Results || Step == EStep::ResultsOver)
    {
        Hud.DrawCannons(graphics, -1);
        const CFolderItem* item = Queue.Current();
        Results.Draw(graphics, *Fonts, Hud, Rules, item ? item->GetTitle() : std::string(),
                     Shared->Speed);
        return;
    }
    Painter.DrawLane(graphics, Rules);
    Hud.DrawCannons(graphics, Rules.FiringCannon);
    Scenery.DrawRocks(graphics, Clock.NowMs());
    Hud.DrawScoreBar(graphics, Rules.Score, Rules.ReachableScore, Rules.MaxScore);
    // More than the song's length during the count-in, below zero during the run-out.
    const int64_t remaining = SongLength - Timeline.Position;
    Hud.DrawTime(graphics, *Fonts,
                 remaining <= 0 ? 0 : int(Audio->GetMusic()->Bytes2Seconds(remaining)));
    Hud.DrawHelpHint(graphics);
}
