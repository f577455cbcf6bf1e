#pragma once
#include "audio/backend/output/DeviceClock.h"
#include "audio/backend/output/OutputFormat.h"
#include "audio/backend/output/TimeSource.h"

#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace korvane::backend
{
class CDevice;
class CVoice;

// The output: one device (SDL's, or the tests' stand-in) playing OutputRate stereo S16 in
// buffers of at most DeviceBufferFrames, a mixer the device calls for each buffer, the voices
// in the mix, and the device clock that tells which output frame is heard now. Owned by the
// audio engine; once it closes, the voices still attached fall silent and run on its time.
// Threads:
// - main thread: everything but Mix, FeedVoices and DeviceGone. What the device's thread reads
//   changes only under the audio lock (Lock/Unlock), and the voice list only under its mutex.
// - the device's thread (SDL's audio callback; the stand-in's PlayDue): Mix, with the audio
//   lock held. It allocates nothing, does no I/O and never blocks.
// - the feeder (SDL's device runs a thread for it; the stand-in feeds before each buffer):
//   FeedVoices. It never takes the audio lock.
// - whatever thread hears that the device went away (the sound server's watch; the stand-in's
//   PlayDue): DeviceGone, which takes the audio lock.
class COutput
{
public:
    explicit COutput(std::unique_ptr<CDevice> device);
    ~COutput(); // closes
    COutput(const COutput&) = delete;
    COutput& operator=(const COutput&) = delete;

    bool Open();  // false (device untouched) when the device cannot be opened
    void Close(); // stops the device; the voices still attached fall silent
    bool IsOpen() const { return Opened; }
    int BufferFrames(); // what the device holds ahead of what it plays; 0 when closed
    // Once per frame, also while paused and in every scene. Logs once when the device has gone
    // away (see CDeviceClock): the voices then run silent on the output's time. A device that
    // went away is closed and opened again at once (a sound server restarted leaves SDL's device
    // dead for good), then every ReopenEveryNs while none opens (a failed open takes a fraction
    // of a millisecond), and again when the one opened has gone too or shows no sign of life
    // for ReturnWithinNs (no callback, nor its server's word that it holds our sound: a server
    // may hold a new stream's first buffer for seconds). Once it plays steadily the log says so
    // once, and the voices are heard again from where their positions ran.
    // Main thread; it never waits on the device for long.
    void CheckDevice();
    static constexpr int64_t ReopenEveryNs = 500'000'000;
    static constexpr int64_t ReturnWithinNs = 2'000'000'000;
    // The player's extra latency after the device (wireless headphones, a sound system):
    // positive when the sound reaches the ears later, so every heard position is that much earlier.
    void SetExtraLatencyMs(int milliseconds);
    int64_t ExtraLatencyFrames();

    // Puts a voice in the mix (silent until it plays); false when the output is closed or full.
    bool Attach(const std::shared_ptr<CVoice>& voice);
    // Takes a voice out; once this returns, the device no longer touches it.
    void Detach(const std::shared_ptr<CVoice>& voice);

    // For the voices.
    const CTimeSource& Time() const { return Source; }
    void Lock();
    void Unlock();
    CDeviceClock& Clock() { return PlayClock; } // under the audio lock

    // For the device: mixes the next `frames` frames (stereo) into `out`, as heard from `nowNs`.
    void Mix(int16_t* out, int frames, int64_t nowNs);
    // For the device: it, or its sound server, says it stopped playing at `atNs` (any thread).
    void DeviceGone(int64_t atNs);
    // For the feeder: one chunk into every voice whose ring has room; true when any had.
    bool FeedVoices();

private:
    static constexpr int MaxVoices = 32;

    void Reopen();
    void RejoinVoices(); // the device is back or about to be: voices far behind their rings

    std::unique_ptr<CDevice> Device;
    const CTimeSource Source;
    bool Opened = false;
    bool LossLogged = false;
    bool Reopened = false; // since the device went away
    bool ReopenFailed = false;
    int64_t LastReopenNs = 0;
    // Read by Mix; changed by the main thread under the audio lock.
    std::array<CVoice*, MaxVoices> Slots{};
    std::array<int32_t, DeviceBufferFrames * OutputChannels> Sum{};
    CDeviceClock PlayClock;
    // The voices that are fed; main thread and feeder under VoicesLock.
    std::mutex VoicesLock;
    std::vector<std::shared_ptr<CVoice>> Voices;
};

// Holds an output's audio lock for a scope; no lock at all without an output.
class CAudioLock
{
public:
    explicit CAudioLock(COutput* output) : Output(output)
    {
        if (Output)
            Output->Lock();
    }
    ~CAudioLock()
    {
        if (Output)
            Output->Unlock();
    }
    CAudioLock(const CAudioLock&) = delete;
    CAudioLock& operator=(const CAudioLock&) = delete;

private:
    COutput* Output;
};

} // namespace korvane::backend
