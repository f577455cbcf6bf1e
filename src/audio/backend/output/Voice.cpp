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
// A voice lining up after an outage needs its ring to reach this far past where it is heard
// now: what the device holds ahead and a few buffers more.
constexpr uint64_t RejoinLeadFrames = 8192;
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

bool CVoice::MixInto(int32_t* mix, int frames, uint64_t deviceFrame, int outages)
{
    if (State != EState::Playing || Drained)
        return false;
    const uint64_t written = Written.load(std::memory_order_acquire);
    int lead = 0;
    if (Free || SeenOutages != outages)
    {
        lead = LineUpLocked(frames, deviceFrame, written);
        if (lead < 0)
        {
            ReleaseLocked();
            return !Drained;
        }
        Free = false;
        SeenOutages = outages;
    }
    const uint64_t take = std::min<uint64_t>(written - ReadCursor, uint64_t(frames - lead));
    int32_t* into = mix + 2 * lead;
    for (uint64_t i = 0; i < take; ++i)
    {
        const size_t slot = size_t((ReadCursor + i) % RingFrames) * 2;
        into[2 * i] += Ring[slot];
        into[2 * i + 1] += Ring[slot + 1];
    }
    if (take > 0)
        AddSpan(deviceFrame + uint64_t(lead), ReadCursor, take);
    ReadCursor += take;
    if (take < uint64_t(frames - lead) && FeedDone.load(std::memory_order_acquire) &&
        ReadCursor == Written.load(std::memory_order_acquire))
    {
        Drained = true;
        DrainDevice = deviceFrame + uint64_t(lead) + take;
    }
    ReleaseLocked();
    return !Drained;
}

int CVoice::LineUpLocked(int frames, uint64_t deviceFrame, uint64_t written)
{
    const auto [fromDevice, fromOut] = FreeFromLocked();
    const uint64_t target = fromOut + (deviceFrame > fromDevice ? deviceFrame - fromDevice : 0);
    if (target > ReadCursor)
        ReadCursor += std::min(target - ReadCursor, written - ReadCursor);
    if (ReadCursor < target)
    {
        // Not decoded that far yet (the feeder goes on from here, or Rejoin moves the
        // decoder); a source already at its end is heard to its end meanwhile.
        if (FeedDone.load(std::memory_order_acquire) && ReadCursor == written)
        {
            Drained = true;
            DrainDevice = uint64_t(
                std::max<int64_t>(0, int64_t(fromDevice) + int64_t(ReadCursor) - int64_t(fromOut)));
        }
        return -1;
    }
    // Decoded from a later frame than the device reaches now (the decoder was moved): the
    // buffer starts silent.
    const uint64_t late = ReadCursor - target;
    if (late >= uint64_t(frames))
        return -1;
    const uint64_t start = deviceFrame + late;
    // The outage as a span of its own: the position runs through it without a step.
    if (start > fromDevice)
        AddSpan(fromDevice, fromOut, start - fromDevice);
    return int(late);
}

void CVoice::ReleaseLocked()
{
    const uint64_t oldest = SpanCount > 0 ? Spans[SpanFirst].Out : StartOut;
    KeepOut = std::max({KeepOut, oldest, ReadCursor > KeepFrames ? ReadCursor - KeepFrames : 0});
    Released.store(KeepOut, std::memory_order_release);
}

void CVoice::AddSpan(uint64_t deviceFrame, uint64_t out, uint64_t frames)
{
    if (SpanCount > 0)
    {
        SSpan& last = Spans[(SpanFirst + SpanCount - 1) % SpanSlots];
        if (last.Device + last.Frames == deviceFrame && last.Out + last.Frames == out)
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
    Spans[(SpanFirst + SpanCount) % SpanSlots] = {deviceFrame, out, frames};
    ++SpanCount;
}

double CVoice::DeviceAtLocked(int64_t nowNs) const
{
    return Output ? Output->Clock().PlayingAt(nowNs) : double(nowNs) * (OutputRate / 1e9);
}

bool CVoice::FreeLocked() const
{
    return !Output || Output->Clock().IsAway() || Free || SeenOutages != Output->Clock().Outages();
}

std::pair<uint64_t, uint64_t> CVoice::FreeFromLocked() const
{
    if (Drained)
        return {DrainDevice, ReadCursor};
    if (SpanCount > 0)
    {
        const SSpan& last = Spans[(SpanFirst + SpanCount - 1) % SpanSlots];
        return {last.Device + last.Frames, last.Out + last.Frames};
    }
    return {StartDevice, StartHeard};
}

int64_t CVoice::ExtraFramesLocked() const
{
    return Output ? Output->Clock().ExtraLatencyFrames() : DetachedExtra;
}

uint64_t CVoice::OutAtLocked(int64_t nowNs) const
{
    const double playing = DeviceAtLocked(nowNs);
    const uint64_t device = playing > 0.0 ? uint64_t(playing) : 0;
    if (FreeLocked())
    {
        // Nothing plays us: the position goes on from where the device last had us. A device
        // that went away may stand before the end of what it was given: that is in the spans.
        const auto [fromDevice, out] = FreeFromLocked();
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

bool CVoice::EndedLocked(int64_t reported) const
{
    if (State == EState::Ended)
        return true;
    if (State != EState::Playing)
        return false;
    if (FreeLocked())
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
    return EndedLocked(reported) ? FileFrames : reported;
}

bool CVoice::IsPlaying() const
{
    CAudioLock lock(Output);
    const int64_t now = Time.NowNs();
    return State == EState::Playing && !EndedLocked(ReportedLocked(now));
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
    // Started while the device is away: it lines up once the device is back.
    Free = Output && Output->Clock().IsAway();
    SeenOutages = Output ? Output->Clock().Outages() : 0;
}

void CVoice::Hold(EState state, bool keepRing)
{
    int64_t moveTo = -1; // where the decoder goes, for a voice that ran on past its ring
    {
        CAudioLock lock(Output);
        if (State == EState::Playing)
        {
            const int64_t now = Time.NowNs();
            const int64_t reported = ReportedLocked(now);
            if (EndedLocked(reported))
            {
                State = EState::Ended;
                HeldFrame = FileFrames;
                return;
            }
            const uint64_t out = OutAtLocked(now);
            // Ran on while the device was away: it goes on from where it is heard, and the
            // ring holds that, or the decoder moves there.
            if (out > ReadCursor && keepRing)
            {
                if (out <= Written.load(std::memory_order_acquire))
                    ReadCursor = out;
                else
                    moveTo = BaseFrame + int64_t(out) * FileRate / OutputRate;
            }
            // Frames handed to the device but not played yet are played again on Resume.
            RestartLocked(std::min(out, ReadCursor), out);
            HeldFrame = reported;
        }
        if (State != EState::Ended)
            State = state;
    }
    if (moveTo >= 0)
        SeekTo(moveTo, HeldFrame, false);
}

void CVoice::Pause()
{
    Hold(EState::Paused, true);
}

void CVoice::Stop()
{
    Hold(EState::Stopped, true);
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
    fileFrame = std::clamp<int64_t>(fileFrame, 0, FileFrames);
    return SeekTo(fileFrame, fileFrame, false);
}

bool CVoice::SeekTo(int64_t fileFrame, int64_t floorFrame, bool rejoin)
{
    std::lock_guard<std::mutex> feed(FeedLock);
    fileFrame = std::clamp<int64_t>(fileFrame, 0, FileFrames);
    EState keep;
    {
        CAudioLock lock(Output);
        const int64_t now = Time.NowNs();
        const bool ended = EndedLocked(ReportedLocked(now));
        keep = ended ? EState::Stopped : State;
        State = EState::Stopped; // the callback leaves the ring alone while it is refilled
        BaseFrame = fileFrame;
        HeldFrame = floorFrame;
        RestartLocked(0, 0);
        Free = Free || rejoin;
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
    int64_t fileFrame = 0;
    int64_t heard = 0;
    {
        CAudioLock lock(Output);
        const int64_t now = Time.NowNs();
        if (State != EState::Playing || Drained || !FreeLocked())
            return;
        heard = ReportedLocked(now);
        if (EndedLocked(heard))
            return;
        // The ring reaches where it will be heard: the callback lines up by itself.
        const uint64_t out = OutAtLocked(now);
        if (out + RejoinLeadFrames <= Written.load(std::memory_order_acquire))
            return;
        fileFrame = BaseFrame + int64_t(out) * FileRate / OutputRate;
    }
    SeekTo(fileFrame, heard, true);
}

void CVoice::Detach()
{
    Hold(EState::Stopped, false);
    CAudioLock lock(Output);
    // A later Play runs on the output's time, silent, and ends in time.
    DetachedExtra = ExtraFramesLocked();
    Output = nullptr;
}

} // namespace korvane::backend
