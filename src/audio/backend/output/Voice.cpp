#include "audio/backend/output/Voice.h"

#include "audio/backend/output/Output.h"

#include <algorithm>

namespace korvane::backend
{
namespace
{
constexpr uint64_t RingFrames = 32768; // ~740 ms, of which KeepFrames may wait to be heard
constexpr uint64_t KeepFrames = 8192;  // more than the device buffer ever holds
constexpr int64_t ChunkFrames = 2048;
constexpr int64_t StartFrames = 4096; // decoded by Seek/Play before the sound starts
} // namespace

CVoice::CVoice(std::unique_ptr<CReader> source, int fileRate, int64_t fileFrames, COutput& output)
    : Source(std::move(source)), FileRate(fileRate), FileFrames(fileFrames), Output(&output),
      Time(output.Time()), Ring(RingFrames * 2), Chunk(ChunkFrames * 2)
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

bool CVoice::MixInto(int32_t* mix, int frames, uint64_t deviceFrame)
{
    if (State != EState::Playing || Drained)
        return false;
    const uint64_t written = Written.load(std::memory_order_acquire);
    const uint64_t take = std::min<uint64_t>(written - ReadCursor, uint64_t(frames));
    for (uint64_t i = 0; i < take; ++i)
    {
        const size_t slot = size_t((ReadCursor + i) % RingFrames) * 2;
        mix[2 * i] += Ring[slot];
        mix[2 * i + 1] += Ring[slot + 1];
    }
    if (take > 0)
        AddSpan(deviceFrame, take);
    ReadCursor += take;
    if (take < uint64_t(frames) && FeedDone.load(std::memory_order_acquire) &&
        ReadCursor == Written.load(std::memory_order_acquire))
    {
        Drained = true;
        DrainDevice = deviceFrame + take;
    }
    const uint64_t oldest = SpanCount > 0 ? Spans[SpanFirst].Out : StartOut;
    KeepOut = std::max({KeepOut, oldest, ReadCursor > KeepFrames ? ReadCursor - KeepFrames : 0});
    Released.store(KeepOut, std::memory_order_release);
    return !Drained;
}

void CVoice::AddSpan(uint64_t deviceFrame, uint64_t frames)
{
    if (SpanCount > 0)
    {
        SSpan& last = Spans[(SpanFirst + SpanCount - 1) % SpanSlots];
        if (last.Device + last.Frames == deviceFrame && last.Out + last.Frames == ReadCursor)
        {
            last.Frames += frames;
            return;
        }
    }
    if (SpanCount == SpanSlots)
    {
        SpanFirst = (SpanFirst + 1) % SpanSlots;
        --SpanCount;
    }
    Spans[(SpanFirst + SpanCount) % SpanSlots] = {deviceFrame, ReadCursor, frames};
    ++SpanCount;
}

double CVoice::DeviceAtLocked(int64_t nowNs) const
{
    return Output ? Output->Clock().PlayingAt(nowNs) : double(nowNs) * (OutputRate / 1e9);
}

bool CVoice::FreeLocked(int64_t nowNs) const
{
    return !Output || Output->Clock().LostAt(nowNs);
}

int64_t CVoice::ExtraFramesLocked() const
{
    return Output ? Output->Clock().ExtraLatencyFrames() : DetachedExtra;
}

uint64_t CVoice::OutAtLocked(int64_t nowNs) const
{
    const double playing = DeviceAtLocked(nowNs);
    const uint64_t device = playing > 0.0 ? uint64_t(playing) : 0;
    if (FreeLocked(nowNs))
    {
        // Nothing plays us: the position goes on from where the device last had us. A device
        // that went away may stand before the end of what it was given: that is in the spans.
        uint64_t fromDevice = StartDevice;
        uint64_t out = StartHeard;
        if (Drained)
        {
            fromDevice = DrainDevice;
            out = ReadCursor;
        }
        else if (SpanCount > 0)
        {
            const SSpan& last = Spans[(SpanFirst + SpanCount - 1) % SpanSlots];
            fromDevice = last.Device + last.Frames;
            out = last.Out + last.Frames;
        }
        if (device >= fromDevice || (SpanCount == 0 && !Drained))
            return std::max(out + (device > fromDevice ? device - fromDevice : 0), KeepOut);
    }
    uint64_t out = SpanCount > 0 ? Spans[SpanFirst].Out : StartOut;
    if (Drained && device >= DrainDevice)
        out = ReadCursor + (device - DrainDevice); // the silence after our end still passes
    else
        for (int i = SpanCount - 1; i >= 0; --i)
        {
            const SSpan& span = Spans[(SpanFirst + i) % SpanSlots];
            if (device >= span.Device)
            {
                out = span.Out + std::min(device - span.Device, span.Frames);
                break;
            }
        }
    return std::max(out, KeepOut);
}

int64_t CVoice::ReportedLocked(int64_t nowNs) const
{
    const int64_t out = int64_t(OutAtLocked(nowNs)) - ExtraFramesLocked();
    const int64_t frame = BaseFrame + out * FileRate / OutputRate;
    return std::clamp(frame, HeldFrame, FileFrames);
}

bool CVoice::EndedLocked(int64_t reported, int64_t nowNs) const
{
    if (State == EState::Ended)
        return true;
    if (State != EState::Playing)
        return false;
    if (FreeLocked(nowNs))
        return reported >= FileFrames;
    if (!Drained)
        return false;
    const int64_t last = BaseFrame + int64_t(ReadCursor) * FileRate / OutputRate;
    return reported >= std::min(last, FileFrames);
}

int64_t CVoice::HeardFrame() const
{
    CAudioLock lock(Output);
    if (State != EState::Playing)
        return HeldFrame;
    const int64_t now = Time.NowNs();
    const int64_t reported = ReportedLocked(now);
    return EndedLocked(reported, now) ? FileFrames : reported;
}

bool CVoice::IsPlaying() const
{
    CAudioLock lock(Output);
    const int64_t now = Time.NowNs();
    return State == EState::Playing && !EndedLocked(ReportedLocked(now), now);
}

void CVoice::RestartLocked(uint64_t out, uint64_t heardOut)
{
    ReadCursor = StartOut = KeepOut = out;
    StartHeard = heardOut;
    const double device = DeviceAtLocked(Time.NowNs());
    StartDevice = device > 0.0 ? uint64_t(device) : 0;
    SpanFirst = SpanCount = 0;
    Drained = false;
    Released.store(out, std::memory_order_release);
}

void CVoice::Hold(EState state)
{
    CAudioLock lock(Output);
    if (State == EState::Playing)
    {
        const int64_t now = Time.NowNs();
        const int64_t reported = ReportedLocked(now);
        if (EndedLocked(reported, now))
        {
            State = EState::Ended;
            HeldFrame = FileFrames;
            return;
        }
        // Frames handed to the device but not played yet are played again on Resume.
        const uint64_t out = OutAtLocked(now);
        RestartLocked(std::min(out, ReadCursor), out);
        HeldFrame = reported;
    }
    if (State != EState::Ended)
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
    CAudioLock lock(Output);
    if (State != EState::Paused && State != EState::Stopped)
        return;
    // HeldFrame stays the floor: the position goes on from what was reported while held.
    RestartLocked(ReadCursor, StartHeard);
    State = EState::Playing;
    ExpectLocked();
}

bool CVoice::Seek(int64_t fileFrame)
{
    std::lock_guard<std::mutex> feed(FeedLock);
    fileFrame = std::clamp<int64_t>(fileFrame, 0, FileFrames);
    EState keep;
    {
        CAudioLock lock(Output);
        const int64_t now = Time.NowNs();
        const bool ended = EndedLocked(ReportedLocked(now), now);
        keep = ended ? EState::Stopped : State;
        State = EState::Stopped; // the callback leaves the ring alone while it is refilled
        BaseFrame = HeldFrame = fileFrame;
        RestartLocked(0, 0);
        Written.store(0, std::memory_order_relaxed);
        FeedDone.store(false, std::memory_order_relaxed);
    }
    const bool ok = Source->Seek(fileFrame);
    if (!ok)
        FeedDone.store(true, std::memory_order_release);
    while (Written.load(std::memory_order_relaxed) < uint64_t(StartFrames) &&
           FillLocked(StartFrames - int64_t(Written.load(std::memory_order_relaxed))))
    {
    }
    CAudioLock lock(Output);
    State = keep;
    return ok;
}

void CVoice::Play()
{
    Seek(0);
    CAudioLock lock(Output);
    State = EState::Playing;
    ExpectLocked();
}

void CVoice::ExpectLocked()
{
    if (Output)
        Output->Clock().Expect(Time.NowNs());
}

void CVoice::Rejoin()
{
    bool playing = false;
    {
        CAudioLock lock(Output);
        playing = State == EState::Playing;
    }
    if (playing)
        Seek(HeardFrame());
}

void CVoice::Detach()
{
    Hold(EState::Stopped);
    CAudioLock lock(Output);
    // A later Play runs on the output's time, silent, and ends in time.
    DetachedExtra = ExtraFramesLocked();
    Output = nullptr;
}

} // namespace korvane::backend
