// The note magnitudes of every half block, from one reading of the song, against the spectrum
// of each block computed on its own: fed in pieces of any size, the right queue for each block,
// a partial block padded with silence, bins beyond the spectrum read as 0.
#include "audio/backend/reads/BlockNotes.h"
#include "audio/backend/reads/Levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace korvane::backend;

namespace
{
constexpr int64_t Block = CBlockNotes::BlockFrames;

std::vector<int16_t> Noise(int64_t frames, int channels)
{
    std::vector<int16_t> out(size_t(frames * channels));
    uint32_t state = 12345;
    for (int16_t& v : out)
        v = int16_t((state = state * 1103515245u + 12345u) >> 16);
    return out;
}

// The 96 magnitudes of the block of `pcm` from `start`, zero-padded, computed alone.
CBlockNotes::SNotes Alone(const std::vector<int16_t>& pcm, int channels, int64_t start,
                          const int32_t* bins)
{
    const int64_t frames = int64_t(pcm.size()) / channels;
    std::vector<float> mono(Block, 0.0f);
    MixToMono(pcm.data() + start * channels, std::min(Block, frames - start), channels,
              mono.data());
    CSpectrum fft;
    EXPECT_TRUE(fft.Create());
    std::vector<float> magnitudes(CSpectrum::Bins);
    fft.Compute(mono.data(), magnitudes.data());
    CBlockNotes::SNotes notes{};
    for (size_t n = 0; n < notes.size(); ++n)
        notes[n] = bins[n] < int32_t(CSpectrum::Bins) ? magnitudes[size_t(bins[n])] : 0.0f;
    return notes;
}
} // namespace

TEST(BlockNotes, EveryHalfBlockInItsQueueAsItsOwnSpectrum)
{
    int32_t bins[CBlockNotes::Notes];
    for (int n = 0; n < CBlockNotes::Notes; ++n)
        bins[n] = n < 90 ? 3 + n * 40 : 4096 + n; // the last six lie beyond the spectrum
    struct SCase
    {
        const char* Name;
        int Channels;
        int64_t Frames;
        std::vector<int64_t> Pieces; // fed in turn
    };
    const SCase cases[] = {
        {"stereo in level readings", 2, 10 * Block + 1234, {882}},
        {"mono in odd pieces", 1, 9 * Block + 4096, {1, 8191, 40000, 333}},
        {"three channels at once", 3, 7 * Block, {7 * Block}},
    };
    for (const SCase& c : cases)
    {
        const std::vector<int16_t> pcm = Noise(c.Frames, c.Channels);
        CBlockNotes notes;
        ASSERT_TRUE(notes.Create());
        notes.Reset(bins);
        for (int64_t at = 0, i = 0; at < c.Frames; ++i)
        {
            const int64_t piece = std::min(c.Pieces[size_t(i) % c.Pieces.size()], c.Frames - at);
            notes.Feed(pcm.data() + at * c.Channels, piece, c.Channels);
            at += piece;
        }
        EXPECT_EQ(notes.FedFrames(), c.Frames) << c.Name;
        // Whole blocks only: at 0, 8192, … in queue 0 and at 4096, 12288, … in queue 1.
        for (int queue = 0; queue < 2; ++queue)
        {
            const auto starts = (c.Frames - Block - queue * Block / 2) / Block + 1;
            EXPECT_EQ(int64_t(notes.Count(queue)), starts) << c.Name << " queue " << queue;
            const int64_t last = queue * Block / 2 + (starts - 1) * Block;
            // The block after the last whole one, cut by the end of the song.
            if (last + Block < c.Frames)
            {
                EXPECT_TRUE(notes.AddPartialBlock(queue, last + Block)) << c.Name;
            }
            for (int64_t start = queue * Block / 2; start < c.Frames; start += Block)
            {
                CBlockNotes::SNotes got{};
                ASSERT_TRUE(notes.Take(queue, got)) << c.Name << " block at " << start;
                EXPECT_TRUE(got == Alone(pcm, c.Channels, start, bins))
                    << c.Name << " block at " << start;
                EXPECT_EQ(got[95], 0.0f);
            }
            CBlockNotes::SNotes none{};
            EXPECT_FALSE(notes.Take(queue, none)) << c.Name;
        }
        notes.Reset(bins);
        EXPECT_EQ(notes.Count(0) + notes.Count(1), 0u);
        EXPECT_EQ(notes.FedFrames(), 0);
    }
}

TEST(BlockNotes, SongsShorterThanABlockKeepAllTheirFrames)
{
    int32_t bins[CBlockNotes::Notes];
    for (int n = 0; n < CBlockNotes::Notes; ++n)
        bins[n] = 1 + n;
    const std::vector<int16_t> pcm = Noise(5001, 2);
    CBlockNotes notes;
    ASSERT_TRUE(notes.Create());
    notes.Reset(bins);
    notes.Feed(pcm.data(), 5001, 2);
    EXPECT_EQ(notes.Count(0) + notes.Count(1), 0u);
    ASSERT_TRUE(notes.AddPartialBlock(0, 0));
    ASSERT_TRUE(notes.AddPartialBlock(1, 2500));
    EXPECT_FALSE(notes.AddPartialBlock(1, 5002)) << "beyond what was fed";
    CBlockNotes::SNotes got{};
    ASSERT_TRUE(notes.Take(0, got));
    EXPECT_TRUE(got == Alone(pcm, 2, 0, bins));
    ASSERT_TRUE(notes.Take(1, got));
    EXPECT_TRUE(got == Alone(pcm, 2, 2500, bins));
}
