#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvane::backend
{

// Pull-style source of 16-bit interleaved PCM. Decoders implement it for one file; wrappers
// (stereo, resampling) implement it around another reader.
// Positions (Seek, Frames) are always frames of the decoded file at its own rate, whatever a
// wrapper delivers from Read; a wrapper passes them through to the decoder underneath.
// One thread at a time; not copyable.
class CReader
{
public:
    virtual ~CReader() = default;
    CReader() = default;
    CReader(const CReader&) = delete;
    CReader& operator=(const CReader&) = delete;

    // Up to `frames` frames of Channels() interleaved samples into `out`. Returns the frames
    // written; 0 at the end or on an error that could not be skipped.
    virtual int64_t Read(int16_t* out, int64_t frames) = 0;
    // Moves to a frame of the decoded file (clamped to 0..Frames()); false when the decoder
    // cannot seek there, the position is then unspecified.
    virtual bool Seek(int64_t frame) = 0;
    virtual int Rate() const = 0;       // Hz of what Read delivers
    virtual int Channels() const = 0;   // samples per frame of what Read delivers
    virtual int64_t Frames() const = 0; // exact length of the decoded file, in its frames
};

// What every decoder of one file keeps: the format it found when it opened the file, and the
// frame it stands at (handed out by Read or passed by Seek). Read never goes past Length and
// Seek never outside 0..Length: the decoders only decode and move.
class CFileReader : public CReader
{
public:
    int64_t Read(int16_t* out, int64_t frames) final;
    bool Seek(int64_t frame) final; // true when the decoder stands at `frame`
    int Rate() const override { return SampleRate; }
    int Channels() const override { return ChannelCount; }
    int64_t Frames() const override { return Length; }

protected:
    // 1..Length - Position frames from Position; returns how many it wrote (Read moves Position).
    virtual int64_t ReadFrames(int16_t* out, int64_t frames) = 0;
    // Moves to `frame` (within 0..Length) and returns the frame it stands at now, which Seek
    // makes the Position; negative when it could not move (Position is then left as it is).
    virtual int64_t SeekFrames(int64_t frame) = 0;

    int SampleRate = 0;
    int ChannelCount = 0;
    int64_t Length = 0;
    int64_t Position = 0;
};

// Reads and drops `frames` frames: how a decoder that cannot seek exactly, or not at all, gets
// to a frame. False when the song ends first.
inline bool DiscardFrames(CReader& reader, int64_t frames)
{
    std::vector<int16_t> scratch(size_t(4096 * reader.Channels()));
    for (int64_t got = 0; frames > 0; frames -= got)
        if ((got = reader.Read(scratch.data(), std::min<int64_t>(4096, frames))) == 0)
            return false;
    return true;
}

// Rates above this are a damaged header, never a song (they would not even fit an int).
constexpr int64_t MaxSongRate = 1000000;

// What a decoder reads from a header before it trusts it: a rate the streams can hold and a
// length whose 16-bit PCM byte count fits in int64 (positions are counted in those bytes).
inline bool IsUsableFormat(int64_t rate, int64_t channels, int64_t frames)
{
    return rate > 0 && rate <= MaxSongRate && channels >= 1 && channels <= 1024 && frames > 0 &&
           frames <= INT64_MAX / (2 * channels);
}

} // namespace korvane::backend
