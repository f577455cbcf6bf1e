#pragma once
#include "audio/backend/Stream.h"
#include "audio/backend/output/OutputFormat.h"

#include <cstdint>
#include <memory>
#include <string>

class CAudio;
namespace korvane::backend
{
class CReader;
class CStream;
} // namespace korvane::backend

// One opened audio stream: a playback stream (heard through the mixer) or a decode-only
// stream (read by the analysis as fast as it asks). Positions and lengths count bytes of
// 16-bit interleaved PCM at the file's own rate and channel count.
// Main thread only; the mixer's threads never call into this class.
class CAudioFile
{
public:
    CAudioFile();
    virtual ~CAudioFile();
    CAudioFile(const CAudioFile&) = delete;
    CAudioFile& operator=(const CAudioFile&) = delete;

    // Playback stream on the engine's output, full scan on open; false without an output.
    bool Open(CAudio& engine, const std::string& path);
    // Playback stream of a song whose reader was opened off the frame loop (a null one was
    // refused there, and logged).
    bool Open(CAudio& engine, std::unique_ptr<korvane::backend::CReader> reader,
              const std::string& path);
    bool OpenDecoding(const std::string& path); // decode-only stream, full scan on open
    // Playback stream of a metronome made on the fly at the output's rate, stereo: a tick every
    // periodFrames frames from one period in, `clicks` times.
    bool OpenClickTrack(CAudio& engine, int64_t periodFrames, int64_t clicks);
    void Close();

    bool IsPlaying() const; // false when closed, paused, stopped or ended
    void Play();            // from the beginning
    void Pause();
    void Resume(); // from where Pause left off
    void Stop();

    int32_t GetFrequency() const; // 1 when closed
    uint32_t GetHandle() const;   // 0 when closed
    uint64_t GetLength() const;   // bytes; 0 when closed
    // Bytes; for playback, what the player hears now: never back while playing, frozen on
    // Pause, shifted by the player's AudioOffset and kept within 0..length. Cheap enough for
    // every frame.
    uint64_t GetPosition() const;
    bool SetPosition(int64_t bytes);
    uint32_t GetLevel(); // left | right << 16 over the next 20 ms; 0xFFFFFFFF at the end

    // Decode-only streams: the next 8192 frames, channels averaged, 4096 magnitudes.
    korvane::backend::ERead GetSpectrum(float* magnitudes4096);

    // Decode-only streams keep what they decode in memory (mono float) so that spectrum
    // reads after a level scan do not decode the file again; above this many bytes of cache
    // they decode from the file instead. Takes effect at the next open. (The song analysis
    // reads its song once through a feed of its own and needs no cache.)
    void SetPreloadLimit(uint64_t bytes) { PreloadLimit = bytes; }

    // Whole-frame conversions for this stream; 0 when closed.
    int64_t Seconds2Bytes(double seconds) const;
    double Bytes2Seconds(int64_t bytes) const;

private:
    bool Adopt(std::unique_ptr<korvane::backend::CStream> stream); // false when there is none

    uint32_t Handle = 0;
    uint64_t Length = 0;
    int32_t Frequency = korvane::backend::OutputRate;
    uint64_t PreloadLimit = 112ull << 20;
    std::unique_ptr<korvane::backend::CStream> Stream;
};
