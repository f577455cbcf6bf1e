#pragma once
#include "audio/backend/reads/DecodeAhead.h"

#include <cstdint>
#include <memory>
#include <string>

namespace korvane::backend
{

// A song as its analysis reads it: once, from the first frame to the last, decoded ahead on a
// thread of its own, as 16-bit interleaved PCM at the analysis rate. That is the song's own
// rate up to 48 kHz; above it the rate of the same music on a CD or a DVD (multiples of
// 44.1 kHz at 44.1 kHz, any other rate at 48 kHz), so that a block of the analysis covers the
// same stretch of music and a high-resolution file makes the same level. Frames of the analysis
// turn back into byte positions of the song's own stream (its rate and channels, 16-bit), the
// positions the music stream plays.
// Threads: the owner's (see CDecodeAhead).
class CAnalysisFeed
{
public:
    static int AnalysisRate(int songRate);

    // Null when the file is not a song we decode.
    static std::unique_ptr<CAnalysisFeed> Open(const std::string& path);

    // The song's own stream.
    int SongRate() const { return SongRateHz; }
    int Channels() const { return ChannelCount; }
    int64_t LengthBytes() const { return SongFrames * BytesPerFrame(); }
    int64_t BytesPerFrame() const { return 2 * int64_t(ChannelCount); }

    // The analysis' frames.
    int FrameRate() const { return AnalysisRateHz; }
    int64_t Frames() const { return AnalysisFrames; }
    int64_t StreamBytes(int64_t frame) const; // where the frame plays in the song's stream

    // See CDecodeAhead::Read; `frames` at most ReadLimit().
    int64_t Read(int16_t* out, int64_t frames, int waitMs)
    {
        return Ahead->Read(out, frames, waitMs);
    }
    int64_t ReadLimit() const { return Ahead->RingFrames() / 2; }
    bool Rewind() { return Ahead->Rewind(); }

private:
    CAnalysisFeed() = default;

    int SongRateHz = 0;
    int ChannelCount = 0;
    int64_t SongFrames = 0;
    int AnalysisRateHz = 0;
    int64_t AnalysisFrames = 0;
    std::unique_ptr<CDecodeAhead> Ahead;
};

} // namespace korvane::backend
