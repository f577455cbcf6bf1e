#pragma once
#include "audio/backend/decode/Reader.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace korvane::backend
{

// A reader decoded ahead on a thread of its own into a bounded ring of PCM, so that the caller's
// work on what was decoded (levels, spectra) runs on its own core while the next part decodes.
// The ring holds a few seconds of sound (2 MiB): a caller that stops reading stops the decoding
// soon after, and the memory does not grow with the song.
// Threads: Start, Read, Rewind and the destructor on one thread (the owner's); the worker alone
// uses the reader between Start and the destructor. Read never waits longer than it is told.
class CDecodeAhead
{
public:
    // Decodes at most `frames` frames of `reader` (its Rate and Channels), from where it stands.
    CDecodeAhead(std::unique_ptr<CReader> reader, int64_t frames);
    ~CDecodeAhead(); // stops the worker after the read it is in
    CDecodeAhead(const CDecodeAhead&) = delete;
    CDecodeAhead& operator=(const CDecodeAhead&) = delete;

    bool Start(); // false when no thread could be started

    static constexpr int64_t NotYet = -1;
    // The next `frames` frames (at most RingFrames() / 2) into `out`, waiting up to `waitMs` for
    // them: all of them, fewer only where the song ends, 0 after its end or a failed read,
    // NotYet (nothing taken) when the worker has not decoded that far in time.
    int64_t Read(int16_t* out, int64_t frames, int waitMs);
    // From the first frame again (the reader seeks to 0); false when it cannot.
    bool Rewind();

    int Rate() const { return SampleRate; }
    int Channels() const { return ChannelCount; }
    int64_t RingFrames() const { return Capacity; }

private:
    void Run(); // the worker
    void Stop();

    std::unique_ptr<CReader> Source;
    const int SampleRate;
    const int ChannelCount;
    const int64_t Limit;       // frames to decode in all
    const int64_t ChunkFrames; // one read of the worker
    const int64_t Capacity;    // frames the ring holds
    std::vector<int16_t> Ring;
    std::thread Worker;

    std::mutex Lock;                 // guards the five fields below
    std::condition_variable Decoded; // the owner waits on it for frames
    std::condition_variable Freed;   // the worker waits on it for room
    int64_t Produced = 0;            // frames written since the start, by the worker
    int64_t Consumed = 0;            // frames read since the start, by the owner
    bool Ended = false;              // the worker will write no more
    bool Stopping = false;
    int64_t WakeAt = INT64_MAX; // the owner waits until this many frames were written
};

} // namespace korvane::backend
