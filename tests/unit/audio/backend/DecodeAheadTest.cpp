// A reader decoded ahead on a thread: every frame once and in order whatever the reads' sizes,
// nothing taken when the worker is behind, a bounded look-ahead, the end, and a second reading.
#include "audio/backend/reads/DecodeAhead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

using namespace korvane::backend;

namespace
{
// Frames numbered from 0 (channel c of frame f holds f * 3 + c, wrapping at 16 bits); it
// stops short of its length after `endsAfter` frames, and waits at a closed gate before each
// read when it has one.
class CNumberedReader final : public CReader
{
public:
    CNumberedReader(int64_t frames, int channels, int64_t endsAfter = INT64_MAX)
        : Length(frames), ChannelCount(channels), EndsAfter(endsAfter)
    {
    }
    int64_t Read(int16_t* out, int64_t frames) override
    {
        {
            std::unique_lock<std::mutex> hold(GateLock);
            GateChanged.wait(hold, [&] { return GateOpen; });
        }
        frames = std::clamp<int64_t>(std::min(Length, EndsAfter) - Position, 0, frames);
        for (int64_t f = 0; f < frames; ++f)
            for (int c = 0; c < ChannelCount; ++c)
                out[f * ChannelCount + c] = int16_t((Position + f) * 3 + c);
        Position += frames;
        Asked = std::max(Asked.load(), Position);
        return frames;
    }
    bool Seek(int64_t frame) override
    {
        Position = std::clamp<int64_t>(frame, 0, Length);
        return true;
    }
    int Rate() const override { return 44100; }
    int Channels() const override { return ChannelCount; }
    int64_t Frames() const override { return Length; }

    void SetGate(bool open)
    {
        {
            std::lock_guard<std::mutex> hold(GateLock);
            GateOpen = open;
        }
        GateChanged.notify_all();
    }
    std::atomic<int64_t> Asked{0}; // the furthest frame ever decoded

private:
    int64_t Length;
    int ChannelCount;
    int64_t EndsAfter;
    int64_t Position = 0;
    std::mutex GateLock;
    std::condition_variable GateChanged;
    bool GateOpen = true;
};

// Every frame the feed gives, read in pieces of the sizes given in turn; waits as long as it
// takes (a test never depends on how fast the worker is).
std::vector<int16_t> ReadAll(CDecodeAhead& ahead, const std::vector<int64_t>& sizes)
{
    std::vector<int16_t> all;
    std::vector<int16_t> piece;
    for (size_t i = 0;; ++i)
    {
        const int64_t want = sizes[i % sizes.size()];
        piece.resize(size_t(want * ahead.Channels()));
        int64_t got = CDecodeAhead::NotYet;
        while (got == CDecodeAhead::NotYet)
            got = ahead.Read(piece.data(), want, 1000);
        if (got == 0)
            return all;
        EXPECT_TRUE(got == want || ahead.Read(piece.data(), 1, 1000) == 0)
            << "short before the end";
        all.insert(all.end(), piece.begin(), piece.begin() + got * ahead.Channels());
    }
}

std::vector<int16_t> Numbered(int64_t frames, int channels)
{
    std::vector<int16_t> out;
    for (int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            out.push_back(int16_t(f * 3 + c));
    return out;
}
} // namespace

TEST(DecodeAhead, EveryFrameOnceInOrderWhateverTheReadSizes)
{
    struct SCase
    {
        const char* Name;
        int64_t Frames;
        int Channels;
        int64_t Limit;     // frames the feed decodes
        int64_t EndsAfter; // where the reader stops short of its length
        std::vector<int64_t> Sizes;
        int64_t Expected;
    };
    // Songs of two rings and more, so that reads wrap round the ring's end.
    const SCase cases[] = {
        {"stereo, scan steps", 1400000, 2, 1400000, INT64_MAX, {22050}, 1400000},
        {"mono, odd sizes", 2300001, 1, 2300001, INT64_MAX, {1, 4095, 8193, 70001}, 2300001},
        {"six channels", 400000, 6, 400000, INT64_MAX, {960, 17}, 400000},
        {"stops at the limit", 100000, 2, 60001, INT64_MAX, {882}, 60001},
        {"reader ends early", 100000, 2, 100000, 77777, {882}, 77777},
        {"empty", 0, 2, 0, INT64_MAX, {882}, 0},
    };
    for (const SCase& c : cases)
    {
        CDecodeAhead ahead(std::make_unique<CNumberedReader>(c.Frames, c.Channels, c.EndsAfter),
                           c.Limit);
        ASSERT_TRUE(ahead.Start()) << c.Name;
        std::vector<int64_t> sizes = c.Sizes;
        for (int64_t& size : sizes)
            size = std::min(size, ahead.RingFrames() / 2);
        const std::vector<int16_t> all = ReadAll(ahead, sizes);
        EXPECT_TRUE(all == Numbered(c.Expected, c.Channels)) << c.Name;
        int16_t one[8];
        EXPECT_EQ(ahead.Read(one, 1, 0), 0) << c.Name << ": the end stays the end";
    }
}

TEST(DecodeAhead, NothingIsTakenWhileTheWorkerIsBehindAndLookAheadIsBounded)
{
    auto reader = std::make_unique<CNumberedReader>(1000000, 2);
    CNumberedReader& source = *reader;
    source.SetGate(false);
    CDecodeAhead ahead(std::move(reader), 1000000);
    ASSERT_TRUE(ahead.Start());
    std::vector<int16_t> piece(882 * 2);
    EXPECT_EQ(ahead.Read(piece.data(), 882, 0), CDecodeAhead::NotYet);
    EXPECT_EQ(ahead.Read(piece.data(), 882, 2), CDecodeAhead::NotYet);
    source.SetGate(true);
    int64_t got = CDecodeAhead::NotYet;
    while (got == CDecodeAhead::NotYet)
        got = ahead.Read(piece.data(), 882, 1000);
    ASSERT_EQ(got, 882);
    EXPECT_TRUE(piece == Numbered(882, 2)) << "the first frames, not later ones";
    // Whatever the worker did meanwhile, it never decoded more than the ring holds beyond
    // what was read.
    EXPECT_LE(source.Asked.load(), 882 + ahead.RingFrames());
}

TEST(DecodeAhead, RewindReadsTheSongAgainFromItsFirstFrame)
{
    CDecodeAhead ahead(std::make_unique<CNumberedReader>(90000, 2), 90000);
    ASSERT_TRUE(ahead.Start());
    std::vector<int16_t> piece(5000 * 2);
    while (ahead.Read(piece.data(), 5000, 1000) == CDecodeAhead::NotYet)
    {
    }
    ASSERT_TRUE(ahead.Rewind());
    EXPECT_TRUE(ReadAll(ahead, {882}) == Numbered(90000, 2));
    // A feed that was never started reads from where its reader stands once it is.
    CDecodeAhead idle(std::make_unique<CNumberedReader>(10000, 1), 10000);
    ASSERT_TRUE(idle.Rewind());
    ASSERT_TRUE(idle.Start());
    EXPECT_TRUE(ReadAll(idle, {3000}) == Numbered(10000, 1));
}
