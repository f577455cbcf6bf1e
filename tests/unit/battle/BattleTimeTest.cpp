#include "battle/rules/BattleTimeline.h"
#include "battle/rules/SceneClock.h"

#include <gtest/gtest.h>

namespace
{
// 44100 Hz stereo: 176400 bytes a second, in whole frames.
int64_t ToBytes(double seconds)
{
    return int64_t(seconds * 44100.0) * 4;
}
constexpr int64_t Length = 10 * 176400;
} // namespace

// One song's positions frame by frame: the count-in rises to 0 on the scene clock, the music
// is what is heard, the run-out carries on past the length for a second; a second song starts
// with a count-in of its own, never in the first one's run-out.
TEST(BattleTimeline, CountInMusicAndRunOutGiveTheCatchLinesPosition)
{
    const struct
    {
        int64_t NowMs;
        int64_t Music;
        bool Playing;
        bool StartsMusic, Shows, Finished;
        int64_t Position;
    } frames[] = {
        {1000, 0, false, false, true, false, -ToBytes(2.0)},
        {1500, 0, false, false, true, false, -ToBytes(1.5)},
        {2999, 0, false, false, true, false, -ToBytes(0.001)},
        {3000, 0, true, true, true, false, 0},
        {3020, 3528, true, false, true, false, 3528},
        {9000, Length, false, false, false, false, Length}, // the frame that finds the end
        {9100, Length, false, false, true, false, Length},
        {9350, Length, false, false, true, false, Length + ToBytes(0.25)},
        {10100, Length, false, false, true, false, Length + ToBytes(1.0)},
        {10101, Length, false, false, true, true, Length + ToBytes(1.0)},
    };
    CBattleTimeline timeline;
    for (int song = 0; song < 2; ++song)
    {
        timeline.Start(1.2f, ToBytes, 1000 + song * 20000);
        EXPECT_EQ(timeline.BytesPerLine, ToBytes(1.2 / 400));
        for (const auto& f : frames)
        {
            SCOPED_TRACE(f.NowMs);
            EXPECT_EQ(timeline.Advance(f.NowMs + song * 20000), f.StartsMusic);
            EXPECT_EQ(timeline.UpdatePosition(f.Music, f.Playing), f.Shows);
            EXPECT_EQ(timeline.Position, f.Position);
            EXPECT_EQ(timeline.Finished, f.Finished);
        }
    }
}

// The scene clock: the time of a frame in which a pause begins still counts, that of a frame
// in which it ends does not, nothing counts in between.
TEST(SceneClock, CountsNoPausedTime)
{
    CSceneClock clock;
    clock.Start();
    const struct
    {
        int64_t StepMs;
        int Pause; // 1 pause, -1 resume, before the frame's tick
        int64_t NowMs;
    } steps[] = {
        {30, 0, 30},  {30, 0, 60},  {33, 1, 93},  {33, 0, 93},   {500, 0, 93},
        {33, -1, 93}, {20, 0, 113}, {20, 1, 133}, {20, -1, 133}, {20, 0, 153},
    };
    for (const auto& step : steps)
    {
        if (step.Pause != 0)
            clock.SetPaused(step.Pause > 0);
        clock.Tick(step.StepMs);
        EXPECT_EQ(clock.NowMs(), step.NowMs) << step.StepMs;
    }
}
