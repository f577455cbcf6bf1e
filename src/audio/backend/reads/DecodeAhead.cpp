#include "audio/backend/reads/DecodeAhead.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace korvane::backend
{
namespace
{
// A read of the worker: 8192 frames of stereo, fewer frames of many channels.
constexpr int64_t ChunkBytes = 32 << 10;
// Some 12 s of CD sound. A thread that waits for the other does so for a quarter of it, so the
// two take turns seldom: on a machine whose cores are busy with other programs every turn can
// cost a wait for the scheduler.
constexpr int64_t RingBytes = 2 << 20;

int64_t ChunkOf(int channels)
{
    return std::clamp<int64_t>(ChunkBytes / (2 * int64_t(channels)), 256, 8192);
}

int64_t RingOf(int channels, int64_t chunk)
{
    return std::max(RingBytes / (2 * int64_t(channels)), 16 * chunk);
}
} // namespace

CDecodeAhead::CDecodeAhead(std::unique_ptr<CReader> reader, int64_t frames)
    : Source(std::move(reader)), SampleRate(Source->Rate()), ChannelCount(Source->Channels()),
      Limit(std::max<int64_t>(frames, 0)), ChunkFrames(ChunkOf(ChannelCount)),
      Capacity(RingOf(ChannelCount, ChunkFrames))
{
    Ring.resize(size_t(Capacity * ChannelCount));
}

CDecodeAhead::~CDecodeAhead()
{
    Stop();
}

bool CDecodeAhead::Start()
{
    if (Worker.joinable())
        return true;
    try
    {
        Worker = std::thread(&CDecodeAhead::Run, this);
    }
    catch (const std::system_error&)
    {
        return false;
    }
    return true;
}

void CDecodeAhead::Stop()
{
    {
        std::lock_guard<std::mutex> hold(Lock);
        Stopping = true;
    }
    Freed.notify_all();
    if (Worker.joinable())
        Worker.join();
}

void CDecodeAhead::Run()
{
    int64_t written = 0; // Produced, as this thread last set it
    for (;;)
    {
        {
            std::unique_lock<std::mutex> hold(Lock);
            // Wait for a whole chunk of room: fewer, larger reads.
            Freed.wait(hold,
                       [&] { return Stopping || Capacity - (written - Consumed) >= ChunkFrames; });
            if (Stopping)
                return;
        }
        // A chunk from `written` on is free: the owner reads only below it.
        const int64_t at = written % Capacity;
        const int64_t frames = std::min({ChunkFrames, Capacity - at, Limit - written});
        const int64_t got =
            frames > 0 ? Source->Read(Ring.data() + at * ChannelCount, frames) : int64_t(0);
        bool wake = false;
        {
            std::lock_guard<std::mutex> hold(Lock);
            written += std::max<int64_t>(got, 0);
            Produced = written;
            Ended = got <= 0;
            wake = Ended || Produced >= WakeAt;
        }
        if (wake)
            Decoded.notify_one();
        if (got <= 0)
            return;
    }
}

int64_t CDecodeAhead::Read(int16_t* out, int64_t frames, int waitMs)
{
    frames = std::min(frames, Capacity / 2); // the worker always gets that far ahead
    if (frames <= 0)
        return 0;
    int64_t from = 0;
    int64_t count = 0;
    {
        std::unique_lock<std::mutex> hold(Lock);
        if (!Ended && Produced - Consumed < frames)
        {
            // Short of frames: wait for a quarter of the ring, not for the next chunk.
            WakeAt = Consumed + std::max(frames, Capacity / 4);
            const bool woken =
                Decoded.wait_for(hold, std::chrono::milliseconds(std::max(waitMs, 0)),
                                 [&] { return Ended || Produced >= WakeAt; });
            WakeAt = INT64_MAX;
            if (!woken && Produced - Consumed < frames)
                return NotYet;
        }
        from = Consumed;
        count = std::min(frames, Produced - Consumed);
    }
    // The worker writes only beyond Produced, so this part stays as it is while it is copied.
    const int64_t at = from % Capacity;
    const int64_t first = std::min(count, Capacity - at);
    const size_t width = size_t(ChannelCount) * sizeof(int16_t);
    std::memcpy(out, Ring.data() + at * ChannelCount, size_t(first) * width);
    std::memcpy(out + first * ChannelCount, Ring.data(), size_t(count - first) * width);
    bool wake = false;
    {
        std::lock_guard<std::mutex> hold(Lock);
        // The worker sleeps until a whole chunk is free: wake it only when that happens.
        const int64_t room = Capacity - (Produced - Consumed);
        Consumed += count;
        wake = room < ChunkFrames && room + count >= ChunkFrames;
    }
    if (wake)
        Freed.notify_one();
    return count;
}

bool CDecodeAhead::Rewind()
{
    const bool running = Worker.joinable();
    Stop();
    Stopping = false;
    Produced = Consumed = 0;
    WakeAt = INT64_MAX;
    Ended = !Source->Seek(0);
    return !Ended && (!running || Start());
}

} // namespace korvane::backend
