#pragma once
#include <cstdint>

namespace korvane::backend
{

enum class ERead
{
    Ok,
    Ended, // nothing left to read (also a failed read that could not move the stream)
    Failed
};

// One opened song as the game sees it: positions and lengths in bytes of 16-bit interleaved
// PCM at the file's own rate and channel count. A decode-only stream is read by the caller;
// a playback stream is heard through the output mixer. Main thread only.
class CStream
{
public:
    virtual ~CStream() = default;
    CStream(const CStream&) = delete;
    CStream& operator=(const CStream&) = delete;

    int Rate() const { return SampleRate; }
    int Channels() const { return ChannelCount; }
    int64_t BytesPerFrame() const { return 2 * int64_t(ChannelCount); }
    int64_t LengthBytes() const { return LengthFrames * BytesPerFrame(); }

    virtual int64_t PositionBytes() const = 0;
    // Rounded down to a whole frame and clamped to 0..length; false when the decoder failed.
    virtual bool SetPositionBytes(int64_t bytes) = 0;

    // Decode-only streams; a playback stream answers the end.
    virtual uint32_t ReadLevel() { return 0xFFFFFFFFu; }
    virtual ERead ReadSpectrum(float* /*magnitudes4096*/) { return ERead::Ended; }

    // Playback streams; a decode-only stream never plays.
    virtual bool IsPlaying() const { return false; }
    virtual void Play() {}
    virtual void Pause() {}
    virtual void Resume() {}
    virtual void Stop() {}

protected:
    CStream(int rate, int channels, int64_t lengthFrames)
        : SampleRate(rate), ChannelCount(channels), LengthFrames(lengthFrames)
    {
    }

    int SampleRate;
    int ChannelCount;
    int64_t LengthFrames;
};

} // namespace korvane::backend
