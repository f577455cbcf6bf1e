#pragma once
#include <cstdint>

// The battle's one clock for everything timed on its screens (count-in, run-out, result,
// scenery, the loading screen's repaints): milliseconds since Start, moved once per frame by
// the frame's elapsed time, standing still while paused, so that after a pause everything goes
// on where it stopped. The music's position is the sound's own clock, not this one.
// No SDL; main thread only.
class CSceneClock
{
public:
    CSceneClock() = default;
    virtual ~CSceneClock() = default;

    void Start() { Now = 0; }
    // Once per frame, after its events, with the milliseconds since the last frame: they
    // count unless the clock was paused when they began (a pause taken on this frame's events
    // still lets them count, a resume does not).
    void Tick(int64_t elapsedMs);
    void SetPaused(bool paused) { Paused = paused; }
    bool IsPaused() const { return Paused; }
    int64_t NowMs() const { return Now; }

private:
    int64_t Now = 0;
    bool Paused = false;
    bool PausedAtTick = false; // as it stood when the last frame's time was counted
};
