#pragma once
#include "audio/backend/Reader.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace korvane::backend
{

// One playback stream inside the output mixer: a ring of 44100 Hz stereo frames that the
// feeder thread fills ahead from a reader and the audio callback mixes from.
//
// Threads:
// - main thread: Play, Pause, Resume, Stop, Seek, HeardFrame, IsPlaying. State changes take
//   the audio lock (SDL_LockAudio) for a few assignments only; Seek and Play also take
//   FeedLock to move the decoder, and decode the first ring chunk themselves so the sound
//   starts at once.
// - feeder thread: Feed, under FeedLock; it never takes the audio lock.
// - audio callback (audio lock held by SDL): MixInto only. It allocates nothing, does no I/O
//   and never blocks: it takes what the ring holds and counts an underrun as silence.
// The ring is single-producer (feeder or a main-thread Seek holding FeedLock) and
// single-consumer (callback; the main thread moves the read cursor only under the audio lock).
class CVoice
{
public:
    // `source` delivers stereo at 44100 Hz; positions are frames of the file at `fileRate`.
    CVoice(std::unique_ptr<CReader> source, int fileRate, int64_t fileFrames);
    CVoice(const CVoice&) = delete;
    CVoice& operator=(const CVoice&) = delete;

    static constexpr int OutputRate = 44100;

    // Main thread.
    void Play();
    void Pause();
    void Resume();
    void Stop();
    bool Seek(int64_t fileFrame);
    bool IsPlaying() const;
    int64_t HeardFrame() const; // file frame being heard now
    void Detach();              // the output closed: nothing plays any more

    // Feeder thread: decodes one chunk when the ring has room. True when it did work.
    bool Feed();

    // Audio callback: adds up to `frames` stereo frames to `mix`.
    void MixInto(int32_t* mix, int frames, int64_t nowNs);

private:
    enum class EState
    {
        Stopped,
        Playing,
        Paused,
        Ended
    };
    bool FillLocked(int64_t maxFrames);          // FeedLock held
    int64_t HeardOutLocked(int64_t nowNs) const; // audio lock held
    void Hold(EState state);

    std::unique_ptr<CReader> Source;
    const int FileRate;
    const int64_t FileFrames;
    std::mutex FeedLock;

    std::vector<int16_t> Ring; // RingFrames stereo frames
    std::vector<int16_t> Chunk;
    std::atomic<uint64_t> Written{0};  // output frames put in the ring since the last seek
    std::atomic<uint64_t> Released{0}; // the producer may overwrite frames before this
    std::atomic<bool> FeedDone{false};

    // Guarded by the audio lock.
    EState State = EState::Stopped;
    uint64_t ReadCursor = 0; // next output frame the callback mixes
    uint64_t ChunkStart = 0; // output frames of the last callback: [ChunkStart, ChunkEnd)
    uint64_t ChunkEnd = 0;
    int64_t ChunkTimeNs = 0; // when the last callback handed them to the device
    int64_t BaseFrame = 0;   // file frame of output frame 0
};

int64_t MonotonicNs();

} // namespace korvane::backend
