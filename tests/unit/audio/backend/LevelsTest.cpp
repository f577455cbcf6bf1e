// Peak levels and the mono mix take vectorised paths for one and two channels and a plain
// loop for the rest and for the frames left over; all of them must agree with the
// frame-by-frame definition, extremes included, wherever in a read they fall.
#include "audio/backend/reads/Levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

using namespace korvane::backend;

namespace
{
uint32_t ReferencePeak(const std::vector<int16_t>& s, int64_t frames, int channels)
{
    uint32_t peak[2] = {0, 0};
    for (int64_t i = 0; i < frames * channels; ++i)
        peak[(i % channels) & 1] = std::max<uint32_t>(peak[(i % channels) & 1], std::abs(s[i]));
    return peak[0] | (channels == 1 ? peak[0] : peak[1]) << 16;
}

float ReferenceMono(const std::vector<int16_t>& s, int64_t frame, int channels)
{
    int32_t sum = 0;
    for (int c = 0; c < channels; ++c)
        sum += s[frame * channels + c];
    return float(sum) * (1.0f / (32768.0f * float(channels)));
}
} // namespace

TEST(Levels, EveryPathAgreesWithTheFrameByFrameDefinition)
{
    std::mt19937 random(7);
    const int64_t frameCounts[] = {0, 1, 15, 16, 17, 31, 32, 33, 63, 882, 1000};
    for (int channels = 1; channels <= 6; ++channels)
        for (const int64_t frames : frameCounts)
            // Quiet noise with one extreme sample, moved through lanes, sides and the tail.
            for (const int16_t extreme : {int16_t(-32768), int16_t(32767), int16_t(-1)})
                for (int64_t at = 0; at < frames * channels; at += 1 + frames * channels / 7)
                {
                    std::vector<int16_t> s(size_t(frames * channels));
                    for (int16_t& v : s)
                        v = int16_t(int(random() % 2001) - 1000);
                    s[size_t(at)] = extreme;
                    SCOPED_TRACE(testing::Message() << channels << " channels, " << frames
                                                    << " frames, " << extreme << " at " << at);
                    EXPECT_EQ(PackedPeakLevel(s.data(), frames, channels),
                              ReferencePeak(s, frames, channels));
                    std::vector<float> mono(size_t(frames) + 1, -9.0f);
                    MixToMono(s.data(), frames, channels, mono.data());
                    for (int64_t f = 0; f < frames; ++f)
                        ASSERT_EQ(mono[size_t(f)], ReferenceMono(s, f, channels)) << "frame " << f;
                    EXPECT_EQ(mono[size_t(frames)], -9.0f) << "wrote past the last frame";
                }
}

TEST(Levels, StereoSidesStaySeparate)
{
    // Left loud and right silent, then the other way round, across more than one lane block.
    std::vector<int16_t> s(2 * 100, 0);
    for (size_t f = 0; f < 100; ++f)
        s[2 * f] = int16_t(f == 70 ? -32768 : 5);
    EXPECT_EQ(PackedPeakLevel(s.data(), 100, 2), 32768u);
    for (size_t f = 0; f < 100; ++f)
        std::swap(s[2 * f], s[2 * f + 1]);
    EXPECT_EQ(PackedPeakLevel(s.data(), 100, 2), 32768u << 16);
}
