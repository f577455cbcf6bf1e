#include "app/TimeManager.h"
#include "app/FrameTime.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

TEST(TimeManager, ElapsedIsOrderFreeAndScaledToMilliseconds)
{
    CTimeManager timer;
    const int64_t f = timer.GetFrequency();
    const int64_t a = timer.GetCounter();
    EXPECT_EQ(timer.GetElapsedMs(a, a), 0u);
    EXPECT_EQ(timer.GetElapsedMs(a, a + f), 1000u);
    EXPECT_EQ(timer.GetElapsedMs(a + f, a), 1000u);
    EXPECT_EQ(timer.GetElapsedMs(a, a + f / 2 - 1), 499u); // truncated, never rounded up
    // Counters far from zero must not overflow the millisecond arithmetic.
    const int64_t late = int64_t{300} * 24 * 3600 * f; // 300 days of uptime
    EXPECT_EQ(timer.GetElapsedMs(late, late + 3 * f), 3000u);
}

TEST(Random, FollowsTheClassicRuntimeSequence)
{
    CRandom random;
    // The well-known first values of this generator for seed 1.
    random.Seed(1);
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int32_t value : expected)
        EXPECT_EQ(random.Next(), value);

    random.Seed(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i)
    {
        const int32_t r = random.Next();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
}

// Frames 30.4 ms apart on a stand-in clock: whole milliseconds each, nothing lost over time.
TEST(FrameTime, CarriesWhatIsLeftOfAMillisecond)
{
    CStandInClock clock;
    CTimeManager timer;
    timer.UseStandIn(&clock);
    CFrameTime time(timer);
    int64_t total = 0;
    for (const int64_t expected : {30, 30, 31, 30, 31})
    {
        clock.Advance(30'400'000);
        const int64_t ms = time.ElapsedMs();
        EXPECT_EQ(ms, expected);
        total += ms;
    }
    EXPECT_EQ(total, 152);
}
