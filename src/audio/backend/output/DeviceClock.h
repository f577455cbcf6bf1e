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
//
// Output frames count on for the output's whole life, also while the device is away, so a
// position read from them is one truth whatever happens to the device. The device is away
// from the moment it stops taking audio, whichever tells first:
// - the device or its sound server says so (Gone: the server watch; a write that failed), and
//   its callbacks then no longer count (SDL goes on calling back a device it lost);
// - or it has taken nothing for StallNs while something was to be heard, beyond what its
//   sound server vouches for (our stream corked, its sink suspended, our frames still queued
//   there), and still nothing when the main thread looks again ConfirmNs later. A callback
//   comes every 23 ms and a frame of the game every 20 to 33 ms, so a full second is far
//   beyond any slow frame; the second look, at a time the game itself runs, keeps a machine
//   too busy to run any of our threads (or one just woken from sleep) from counting. A callback
//   that comes, however late, is the device taking audio: never a loss. Until a stall counts,
//   the clock waits at the last frame handed, as for any late callback.
// While away the clock runs on the output's time from the frame heard when the device stopped
// (for a stall, when it last took audio), so the music goes on without sound and ends in time.
// The device is back once it takes audio steadily again: ReturnBuffers callbacks in a row,
// each within one and a half buffers of the one before (a device opened again, whose sound
// server may hold its first buffer for seconds; or one whose callbacks resume by themselves).
// The buffer of that callback carries the output frame that the free-running clock reaches
// when it is heard, and the clock goes on from the free-running frame: no step either way.
// Threads: Callback and Tick from the device's callback (SDL's audio thread, or the stand-in
// device's PlayDue), everything else under the output's audio lock. Times are the output's.
class CDeviceClock
{
public:
    static constexpr int64_t StallNs = 1'000'000'000;
    static constexpr int64_t ConfirmNs = 100'000'000;
    static constexpr int ReturnBuffers = 3;

    void Start(int grantedFrames, int rate, int64_t nowNs); // device opened, nothing handed yet
    // At the start of each callback that hands `frames` frames: the output frame the first of
    // them is, or -1 while the device is away (the buffer is silence; nothing is mixed).
    int64_t Callback(int64_t nowNs, int frames);
    // After it: the output frame after its last, and `audible` when a voice still had sound.
    void Tick(uint64_t handedFrames, int64_t nowNs, bool audible);
    // A voice starts or resumes: from now on the device has to call back.
    void Expect(int64_t nowNs);
    // The sound server's answer at `atNs`: frames of ours it holds before they are heard (0
    // when it does not say), and whether it holds them on purpose or still has some queued.
    void Report(int64_t atNs, int64_t serverFrames, bool holding);
    // The device, or its sound server, says it stopped playing (closed, gone away, a failed
    // write): away from now, and no callback counts until the device is opened again.
    void Gone(int64_t nowNs);
    // The main thread looks at the device (once a frame): a stall seen a second time, ConfirmNs
    // or more after the first, becomes an outage from when the device last took audio.
    void Notice(int64_t nowNs);
    // The device was opened again, in buffers of `grantedFrames`: back once it plays steadily.
    void Reopened(int grantedFrames, int64_t nowNs);
    bool IsAway() const { return Away; }
    bool IsDead() const { return Away && Dead; } // away, and told so: callbacks do not count
    // Away with a device opened again that has shown no sign of life (a callback, its server
    // vouching, the open itself) for `ns`.
    bool SilentFor(int64_t nowNs, int64_t ns) const;
    int Outages() const { return OutageCount; } // times the device went away so far
    double PlayingAt(int64_t nowNs) const;      // output frame, 0 before the first callback
    double HeldFrames() const;                  // after a callback: handed but not heard yet

    // What the player declares comes after the device (AudioOffset): positive when the sound
    // reaches the ears later.
    void SetExtraLatencyFrames(int64_t frames) { ExtraFrames = frames; }
    int64_t ExtraLatencyFrames() const { return ExtraFrames; }

private:
    double LineAt(int64_t nowNs) const { return Frame + PerNs * double(nowNs - AtNs); }
    bool StalledAt(int64_t nowNs) const;
    double StallFrame() const; // heard when the device last took audio
    void Lose(double frame, int64_t atNs);

    int Granted = 0;
    double ServerFrames = -1.0; // the server's latency; negative: not told
    double Waiting = 0.0;       // taken in a refill beyond what the device holds otherwise
    double NominalPerNs = 0.0;
    uint64_t Handed = 0; // the output frame after the last one handed
    bool Running = false;
    double Frame = 0.0; // the line: Frame at AtNs, PerNs frames per nanosecond after it
    double PerNs = 0.0;
    int64_t AtNs = 0;
    int64_t LastTickNs = 0;
    int64_t ExtraFrames = 0;
    int64_t DueNs = 0;       // the device has to call back within StallNs after this
    int64_t StallSeenNs = 0; // when the main thread first saw this stall; 0: none seen
    bool Audible = false;
    bool Away = false;
    bool Dead = false; // away, and its callbacks do not count until it is opened again
    int Steady = 0;    // callbacks in a row at the device's pace while away
    int64_t LastAwayCallbackNs = 0;
    int OutageCount = 0;
    double LostFrame = 0.0; // the free-running clock: LostFrame at LostNs, nominal rate after
    int64_t LostNs = 0;
};

} // namespace korvane::backend
