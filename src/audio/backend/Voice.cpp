#include "audio/backend/Voice.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>

namespace korvane::backend
{
namespace
{
constexpr uint64_t RingFrames = 16384; // ~370 ms of read-ahead
constexpr int64_t ChunkFrames = 2048;
constexpr int64_t StartFrames = 4096; // decoded by Seek/Play before the sound starts

struct SAudioLock
{
    SAudioLock() { SDL_LockAudio(); }
    ~SAudioLock() { SDL_UnlockAudio(); }
};
} // namespace

int64_t MonotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CVoice::CVoice(std::unique_ptr<CReader> source, int fileRate, int64_t fileFrames)
    : Source(std::move(source)), FileRate(fileRate), FileFrames(fileFrames), Ring(RingFrames * 2),
      Chunk(ChunkFrames * 2)
{
}

bool CVoice::FillLocked(int64_t maxFrames)
{
    if (FeedDone.load(std::memory_order_acquire))
        return false;
    const uint64_t written = Written.load(std::memory_order_relaxed);
    const uint64_t room = RingFrames - (written - Released.load(std::memory_order_acquire));
    const int64_t want = std::min<int64_t>({int64_t(room), maxFrames, ChunkFrames});
    if (want < ChunkFrames / 2 && want < maxFrames)
        return false;
    const int64_t got = Source->Read(Chunk.data(), want);
    if (got <= 0)
    {
        FeedDone.store(true, std::memory_order_release);
        return true;
    }
    for (int64_t i = 0; i < got; ++i)
    {
        const size_t slot = size_t((written + uint64_t(i)) % RingFrames) * 2;
        Ring[slot] = Chunk[size_t(2 * i)];
        Ring[slot + 1] = Chunk[size_t(2 * i + 1)];
    }
    Written.store(written + uint64_t(got), std::memory_order_release);
    return true;
}

bool CVoice::Feed()
{
    std::lock_guard<std::mutex> lock(FeedLock);
    return FillLocked(ChunkFrames);
}

void CVoice::MixInto(int32_t* mix, int frames, int64_t nowNs)
{
    if (State != EState::Playing)
        return;
    const uint64_t written = Written.load(std::memory_order_acquire);
    const uint64_t take = std::min<uint64_t>(written - ReadCursor, uint64_t(frames));
    for (uint64_t i = 0; i < take; ++i)
    {
        const size_t slot = size_t((ReadCursor + i) % RingFrames) * 2;
        mix[2 * i] += Ring[slot];
        mix[2 * i + 1] += Ring[slot + 1];
    }
    ChunkStart = ReadCursor;
    ReadCursor += take;
    ChunkEnd = ReadCursor;
    ChunkTimeNs = nowNs;
    // What the device now holds may still be asked for again by a Pause.
    Released.store(ChunkStart, std::memory_order_release);
    if (take < uint64_t(frames) && FeedDone.load(std::memory_order_acquire) &&
        ReadCursor == Written.load(std::memory_order_acquire))
        State = EState::Ended;
}

int64_t CVoice::HeardOutLocked(int64_t nowNs) const
{
    if (State != EState::Playing)
        return int64_t(ChunkEnd);
    const int64_t elapsed = std::max<int64_t>(0, nowNs - ChunkTimeNs) * OutputRate / 1000000000;
    return std::min<int64_t>(int64_t(ChunkStart) + elapsed, int64_t(ChunkEnd));
}

int64_t CVoice::HeardFrame() const
{
    int64_t out = 0;
    int64_t base = 0;
    bool ended = false;
    {
        SAudioLock lock;
        out = HeardOutLocked(MonotonicNs());
        base = BaseFrame;
        ended = State == EState::Ended;
    }
    if (ended)
        return FileFrames;
    return std::min(FileFrames, base + out * FileRate / OutputRate);
}

bool CVoice::IsPlaying() const
{
    SAudioLock lock;
    return State == EState::Playing;
}

void CVoice::Hold(EState state)
{
    SAudioLock lock;
    if (State == EState::Ended)
        return;
    if (State == EState::Playing)
    {
        // Frames handed to the device but not heard yet are played again on Resume.
        const uint64_t heard = uint64_t(HeardOutLocked(MonotonicNs()));
        ReadCursor = ChunkStart = ChunkEnd = heard;
        Released.store(heard, std::memory_order_release);
    }
    State = state;
}

void CVoice::Pause()
{
    Hold(EState::Paused);
}
void CVoice::Stop()
{
    Hold(EState::Stopped);
}

void CVoice::Resume()
{
    SAudioLock lock;
    if (State != EState::Paused && State != EState::Stopped)
        return;
    State = EState::Playing;
    ChunkStart = ChunkEnd = ReadCursor;
    ChunkTimeNs = MonotonicNs();
}

bool CVoice::Seek(int64_t fileFrame)
{
    std::lock_guard<std::mutex> feed(FeedLock);
    fileFrame = std::clamp<int64_t>(fileFrame, 0, FileFrames);
    EState keep;
    {
        SAudioLock lock;
        keep = State == EState::Ended ? EState::Stopped : State;
        State = EState::Stopped; // the callback leaves the ring alone while it is refilled
        ReadCursor = ChunkStart = ChunkEnd = 0;
        BaseFrame = fileFrame;
        Written.store(0, std::memory_order_relaxed);
        Released.store(0, std::memory_order_relaxed);
        FeedDone.store(false, std::memory_order_relaxed);
    }
    const bool ok = Source->Seek(fileFrame);
    if (!ok)
        FeedDone.store(true, std::memory_order_release);
    while (Written.load(std::memory_order_relaxed) < uint64_t(StartFrames) &&
           FillLocked(StartFrames - int64_t(Written.load(std::memory_order_relaxed))))
    {
    }
    SAudioLock lock;
    State = keep;
    ChunkTimeNs = MonotonicNs();
    return ok;
}

void CVoice::Play()
{
    Seek(0);
    SAudioLock lock;
    State = EState::Playing;
    ChunkTimeNs = MonotonicNs();
}

void CVoice::Detach()
{
    SAudioLock lock;
    State = EState::Stopped;
}

} // namespace korvane::backend
