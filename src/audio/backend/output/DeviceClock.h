#pragma once
#include <cstdint>

namespace korvane::backend
{

// Which output frame the device is playing at a given time, from the callbacks' bookkeeping.
// SDL plays one buffer while the callback fills the next, so when a callback has run the
// device holds two buffers (of the size SDL granted at open) ahead of the frame it plays;
// where a sound server tells its latency, the callback's buffer plus that latency instead.
// The clock follows these points with a line whose slope is corrected by a few per cent at
// most: no steps at callback boundaries, never backwards, and it waits at the last frame
// handed when a callback is late. Frames taken faster than they can be played (a server
// refilling its buffer after a pause) wait in the device: they are never counted as played.
// A device must call back while something is to be heard: one that has not for StallNs
// (or never did) counts as lost until the next Start, unless nothing was audible or its
// sound server vouched for it (our stream corked, its sink suspended, or our frames still
// queued there). A lost clock runs on the wall clock from where it stood, so the music goes
// on without sound and ends in time; Close does the same at once. The output starts the
// clock anew once a lost device calls back again.
// Threads: Callback and Tick from the device's callback (SDL's audio thread, or the stand-in
// device's PlayDue), everything else under the output's audio lock. Times are the output's.
class CDeviceClock
{
public:
    static constexpr int64_t StallNs = 500'000'000;

    void Start(int grantedFrames, int rate, int64_t nowNs); // device opened, nothing handed yet
    // At the start of each callback: false once the device counts as lost (nothing to mix).
    bool Callback(int64_t nowNs);
    // After it: `audible` when a voice still had sound to give.
    void Tick(uint64_t handedFrames, int64_t nowNs, bool audible);
    // A voice starts or resumes: from now on the device has to call back.
    void Expect(int64_t nowNs);
    // The sound server's answer at `atNs`: frames of ours it holds before they are heard (0
    // when it does not say), and whether it holds them on purpose or still has some queued.
    void Report(int64_t atNs, int64_t serverFrames, bool holding);
    // The device is gone (closed, or its sound server went away): the clock runs free from now,
    // and callbacks that still come (SDL goes on calling back a device it lost) do not count.
    void Close(int64_t nowNs);
    bool LostAt(int64_t nowNs) const;
    bool CallsBackAfterLoss(int64_t nowNs) const; // lost, yet a callback came within StallNs
    double PlayingAt(int64_t nowNs) const;        // output frame, 0 before the first callback
    double HeldFrames() const;                    // after a callback: handed but not heard yet

    // What the player declares comes after the device (AudioOffset): positive when the sound
    // reaches the ears later.
    void SetExtraLatencyFrames(int64_t frames) { ExtraFrames = frames; }
    int64_t ExtraLatencyFrames() const { return ExtraFrames; }

private:
    double LineAt(int64_t nowNs) const { return Frame + PerNs * double(nowNs - AtNs); }

    int Granted = 0;
    double ServerFrames = -1.0; // the server's latency; negative: not told
    double Waiting = 0.0;       // taken in a refill beyond what the device holds otherwise
    double NominalPerNs = 0.0;
    uint64_t Handed = 0;
    bool Running = false;
    double Frame = 0.0; // the line: Frame at AtNs, PerNs frames per nanosecond after it
    double PerNs = 0.0;
    int64_t AtNs = 0;
    int64_t LastTickNs = 0;
    int64_t ExtraFrames = 0;
    int64_t LastCallbackNs = 0; // or when the device opened
    int64_t DueNs = 0;          // the device has to call back within StallNs after this
    bool Audible = false;
    bool Lost = false;
    bool Closed = false;
    double LostFrame = 0.0; // the free-running clock: LostFrame at LostNs, nominal rate after
    int64_t LostNs = 0;
};

} // namespace korvane::backend
