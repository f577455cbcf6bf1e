#include "menus/SyncTaps.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
std::vector<double> Repeat(std::vector<double> values, double value, int count)
{
    values.insert(values.end(), size_t(count), value);
    return values;
}
} // namespace

// Sixteen taps each: the first four find the beat, the median of the other twelve moves the
// current offset, taps more than 150 ms from their median do not count, fewer than eight good
// ones propose nothing, and the result stays within -2000..2000.
TEST(SyncTaps, JudgesTheTapsAfterTheWarmUp)
{
    struct SCase
    {
        const char* Name;
        std::vector<double> Taps;
        int32_t Current;
        bool Enough;
        int Good;
        double Median, Spread;
        int32_t Proposed;
    };
    const std::vector<double> off = {-250.0, 290.0, 0.0, 90.0}; // warm-up taps far off
    const SCase cases[] = {
        {"steady, 150 ms late",
         {-250, 290, 0, 90, 145, 155, 145, 155, 145, 155, 145, 155, 145, 155, 145, 155},
         0,
         true,
         12,
         150.0,
         5.0,
         150},
        // Counted, the warm-up would move the median to 30.
        {"warm-up left out", Repeat(Repeat(Repeat({}, 200, 4), 10, 6), 30, 6), 0, true, 12, 20.0,
         10.0, 20},
        // Counted, the two stray taps would give 101; exactly 150 away still counts.
        {"stray taps left out",
         {0, 0, 0, 0, 90, 92, 94, 96, 98, 100, 102, 104, 106, 108, 280, 290},
         0,
         true,
         10,
         99.0,
         5.0,
         99},
        {"150 ms from the median counts", Repeat(Repeat(off, 0, 11), 150, 1), 0, true, 12, 0.0,
         12.5, 0},
        {"eight good taps are enough", Repeat(Repeat(off, -250, 4), 50, 8), 10, true, 8, 50.0, 0.0,
         60},
        {"seven are not", Repeat(Repeat(off, -280, 5), 100, 7), 10, false, 7, 100.0, 0.0, 10},
        {"added to the current offset, rounded", Repeat(off, 12.6, 12), 40, true, 12, 12.6, 0.0,
         53},
        {"early taps lower it", Repeat(off, -35, 12), 100, true, 12, -35.0, 0.0, 65},
        {"clamped at 2000", Repeat(off, 250, 12), 1900, true, 12, 250.0, 0.0, 2000},
        {"clamped at -2000", Repeat(off, -120, 12), -1950, true, 12, -120.0, 0.0, -2000},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(c.Taps.size(), size_t(SyncTaps::PerTry));
        const SyncTaps::SVerdict v = SyncTaps::Judge(c.Taps, c.Current);
        EXPECT_EQ(v.Enough, c.Enough);
        EXPECT_EQ(v.Good, c.Good);
        EXPECT_NEAR(v.MedianMs, c.Median, 1e-9);
        EXPECT_NEAR(v.SpreadMs, c.Spread, 1e-9);
        EXPECT_EQ(v.ProposedMs, c.Proposed);
    }
}

// A tap is measured against the nearest click, before or after it.
TEST(SyncTaps, MeasuresATapFromTheNearestClick)
{
    constexpr int64_t Period = 105840; // 0.6 s of 44.1 kHz stereo
    constexpr double PerMs = 176.4;
    EXPECT_NEAR(SyncTaps::DifferenceMs(3 * Period + 26460, Period, PerMs), 150.0, 1e-9);
    EXPECT_NEAR(SyncTaps::DifferenceMs(3 * Period - 17640, Period, PerMs), -100.0, 1e-9);
    EXPECT_NEAR(SyncTaps::DifferenceMs(Period / 2, Period, PerMs), 300.0, 1e-9);
    EXPECT_NEAR(SyncTaps::DifferenceMs(Period / 2 + 4, Period, PerMs), -300.0 + 4 / PerMs, 1e-9);
    EXPECT_NEAR(SyncTaps::DifferenceMs(-1764, Period, PerMs), -10.0, 1e-9);
    EXPECT_NEAR(SyncTaps::DifferenceMs(1764 - Period, Period, PerMs), 10.0, 1e-9);
}
