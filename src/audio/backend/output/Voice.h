#pragma once
#include "audio/backend/decode/Reader.h"
#include "audio/backend/output/TimeSource.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace korvane::backend
{
class COutput;

// One playback stream inside the output mixer: a ring of OutputRate stereo frames that the
// feeder fills ahead from a reader and the device's callback mixes from.
//
// Threads:
// - main thread: Play, Pause, Resume, Stop, Seek, HeardFrame, IsPlaying, Attached, Detach,
//   Rejoin. They take the output's audio lock for a few assignments and reads only; Seek and
//   Play (and Pause, Stop or Rejoin of a voice that ran on while the device was away) also take
//   FeedLock to move the decoder, and decode the first ring chunk themselves so the sound
//   starts at once.
// - feeder (the output's feeder thread, or the stand-in device before each buffer): Feed, under
//   FeedLock; it never takes the audio lock.
// - device callback (audio lock held): MixInto only. It allocates nothing, does no I/O and
//   never blocks: it takes what the ring holds, skips what it must to line up after an
//   outage, and counts an underrun as silence.
// The ring is single-producer (feeder or a main-thread Seek holding FeedLock) and
// single-consumer (callback; the main thread moves the read cursor only under the audio lock).
// Time is the output's time source, also once the output has closed.
//
// Heard position: the callback notes which device frames carried which of our frames; the
// frame heard is the one at the device clock's frame, less the player's extra latency. It never
// goes back while playing, freezes on Pause and goes on from there on Resume. While the device
// is away (see CDeviceClock) or once the voice is detached, nothing is heard and the position
// runs on the output's time from where the device last had it, up to the end of the file.
// When the device is back, the first buffer the voice is mixed into skips its ring to that
// running position (the main thread moves the decoder there first when the ring is far
// behind, Rejoin), so what is heard again is where the position stands, from the first
// buffer on. A pause taken while the device is away holds where the position stood.
class CVoice
{
public:
    // `source` delivers stereo at OutputRate; positions are frames of the file at `fileRate`.
    // It plays on `output` until the output closes and detaches it.
    CVoice(std::unique_ptr<CReader> source, int fileRate, int64_t fileFrames, COutput& output);
    CVoice(const CVoice&) = delete;
    CVoice& operator=(const CVoice&) = delete;

    // Main thread.
    void Play();
    void Pause();
    void Resume();
    void Stop();
    bool Seek(int64_t fileFrame);
    bool IsPlaying() const;     // false once the last frame has been heard
    int64_t HeardFrame() const; // file frame being heard now, 0..fileFrames
    void Detach();              // the output closed: nothing plays any more
    // The device is back, or about to be: a voice that ran on while it was away and whose ring
    // does not reach that far has its decoder moved to where it is heard now.
    void Rejoin();
    COutput* Attached() const { return Output; } // null once detached

    // Feeder thread: decodes one chunk when the ring has room. True when it did work.
    bool Feed();

    // Audio callback: adds up to `frames` stereo frames to `mix`, which the device plays from
    // its output frame `deviceFrame` on, the device having gone away `outages` times so far.
    // True while the voice still has sound to give.
    bool MixInto(int32_t* mix, int frames, uint64_t deviceFrame, int outages);

private:
    enum class EState
    {
        Stopped,
        Playing,
        Paused,
        Ended
    };
    // Our frames [Out, Out + Frames) went to device frames [Device, Device + Frames).
    struct SSpan
    {
        uint64_t Device = 0;
        uint64_t Out = 0;
        uint64_t Frames = 0;
    };
    static constexpr int SpanSlots = 8;

    bool FillLocked(int64_t maxFrames); // FeedLock held
    // Moves the decoder to `fileFrame`, where the ring starts again; the position stays at
    // least `floorFrame`, and with `rejoin` it runs on until the device plays the voice again.
    bool SeekTo(int64_t fileFrame, int64_t floorFrame, bool rejoin);
    // Audio lock held from here on.
    void AddSpan(uint64_t deviceFrame, uint64_t out, uint64_t frames);
    double DeviceAtLocked(int64_t nowNs) const; // device frame playing now
    bool FreeLocked() const;                    // no device plays this voice now
    // Where the position runs on from while no device plays the voice: device frame, out frame.
    std::pair<uint64_t, uint64_t> FreeFromLocked() const;
    // Back from an outage: the ring skipped to where the position ran meanwhile, the lead of
    // this buffer before the voice's sound starts; -1 while the ring does not reach that far.
    int LineUpLocked(int frames, uint64_t deviceFrame, uint64_t written);
    void ReleaseLocked();                        // what the feeder may overwrite
    uint64_t OutAtLocked(int64_t nowNs) const;   // our frame the device plays now
    int64_t ReportedLocked(int64_t nowNs) const; // file frame heard now, while playing
    bool EndedLocked(int64_t reported) const;
    int64_t ExtraFramesLocked() const; // the player's extra latency, in output frames
    void ExpectLocked();               // playing from now: the device has to call back
    // Plays on from out frame `out`; `heardOut` is where the position goes on from when free.
    void RestartLocked(uint64_t out, uint64_t heardOut);
    void Hold(EState state, bool keepRing);

    std::unique_ptr<CReader> Source;
    const int FileRate;
    const int64_t FileFrames;
    COutput* Output; // main thread; null once detached
    const CTimeSource Time;
    std::mutex FeedLock;

    std::vector<int16_t> Ring; // RingFrames stereo frames
    std::vector<int16_t> Chunk;
    std::atomic<uint64_t> Written{0};  // output frames put in the ring since the last seek
    std::atomic<uint64_t> Released{0}; // the producer may overwrite frames before this
    std::atomic<bool> FeedDone{false};

    // Guarded by the audio lock. Out frames count from the last seek, at OutputRate.
    EState State = EState::Stopped;
    uint64_t ReadCursor = 0; // next out frame the callback mixes
    SSpan Spans[SpanSlots];  // the latest mixes, oldest first from SpanFirst
    int SpanFirst = 0;
    int SpanCount = 0;
    uint64_t StartOut = 0;     // where this stretch of play began: heard until its first span is
    uint64_t StartHeard = 0;   // where the position of this stretch began, and on which...
    uint64_t StartDevice = 0;  // ...device frame (for a voice that runs free)
    int64_t DetachedExtra = 0; // the extra latency when the output let go of the voice
    uint64_t KeepOut = 0;      // no position is older; a Pause may go back to it
    bool Drained = false;      // all the source gave has been mixed...
    uint64_t DrainDevice = 0;  // ...and the device plays silence for us from this frame on
    int64_t HeldFrame = 0;     // reported while not playing, and the floor while playing
    int64_t BaseFrame = 0;     // file frame of out frame 0
    // The position runs on the time until the device plays the voice again: set while the
    // device is away, and for an outage since the voice last played (SeenOutages behind).
    bool Free = false;
    int SeenOutages = 0;
};

} // namespace korvane::backend
