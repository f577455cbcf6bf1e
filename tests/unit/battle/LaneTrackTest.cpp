#include "battle/rules/LaneTrack.h"

#include <gtest/gtest.h>

#include <iterator>

namespace
{
std::vector<const CSample*> SamplesOf(const CAudioMap& map)
{
    std::vector<const CSample*> samples;
    for (const auto& sample : map.GetSamples())
        samples.push_back(sample.get());
    return samples;
}
} // namespace

TEST(LaneTrack, FindSampleGivesTheLastSampleStartingBeforeThePosition)
{
    CAudioMap map;
    CLaneTrack track;
    track.Start(map);
    EXPECT_FALSE(track.FindSample(0));
    map.Lay({{0, 60}, {100, 62}, {200, 64}});
    track.Start(map);
    const std::vector<const CSample*> samples = SamplesOf(map);
    const std::pair<int64_t, const CSample*> cases[] = {
        {-1, nullptr},     {0, samples[0]},   {50, samples[0]},  {100, samples[0]},
        {101, samples[1]}, {200, samples[1]}, {201, samples[2]}, {int64_t(1) << 40, samples[2]},
    };
    for (const auto& [position, expected] : cases)
    {
        EXPECT_EQ(track.FindSample(position).Sample, expected) << position;
        if (expected)
        {
            EXPECT_EQ(
                track.FindSample(position).Index,
                size_t(std::find(samples.begin(), samples.end(), expected) - samples.begin()));
        }
    }

    // From a moved cursor, earlier positions give the cursor's sample.
    int32_t note = 0;
    track.CountPassedWeapons(150, &note);
    EXPECT_EQ(track.FindSample(50).Sample, samples[1]);
    track.ResetCursor();
    EXPECT_EQ(track.FindSample(50).Sample, samples[0]);
}

TEST(LaneTrack, CountPassedWeaponsCountsEachUncaughtWeaponOnce)
{
    CAudioMap map;
    CLaneTrack track;
    track.Start(map);
    int32_t note = -1;
    EXPECT_EQ(track.CountPassedWeapons(1000, &note), 0);
    EXPECT_EQ(note, 0);

    // Positions 0..500; the sample at 200 is quiet, the one at 300 gets caught.
    map.Lay({{0, 60}, {100, 62}, {200, 0}, {300, 65}, {400, 67}, {500, 69}});
    ASSERT_EQ(map.GetWeaponCount(), 5);
    track.Start(map);
    track.SetCaught({std::next(map.GetSamples().begin(), 3)->get(), 3});

    struct SStep
    {
        int64_t Position;
        int32_t Count;
        int32_t Note;
    };
    const SStep steps[] = {
        {0, 0, 0},       {100, 0, 0}, // the first sample has not been left behind yet
        {101, 1, 60},    {101, 0, 0},     {350, 1, 62}, // the quiet one is passed too, not counted
        {500, 0, 0},                                    // the caught 65 is not counted
        {501, 1, 67},    {1 << 20, 0, 0},               // the last sample is never passed
        {2 << 20, 0, 0},
    };
    for (const auto& step : steps)
    {
        EXPECT_EQ(track.CountPassedWeapons(step.Position, &note), step.Count) << step.Position;
        EXPECT_EQ(note, step.Note) << step.Position;
    }
    EXPECT_EQ(track.FindSample(0).Sample, map.GetSamples().back().get());
    // A new song: nothing caught, the cursor at the start.
    track.Start(map);
    EXPECT_EQ(track.CountPassedWeapons(501, &note), 4);
}
