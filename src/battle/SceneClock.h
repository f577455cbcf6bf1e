#pragma once
#include <cstdint>

class CTimeManager;

// The battle's one clock for everything timed on its screens (count-in, run-out, result,
// scenery, the shared animation, the loading screen's repaints): milliseconds since Start,
// moved once per frame by Tick, standing still while paused, so that after a pause everything
// goes on where it stopped. The music's position is the sound's own clock, not this one.
// Main thread only.
class CSceneClock
{
public:
    CSceneClock() = default;
    virtual ~CSceneClock() = default;

    void Start(const CTimeManager& timer); // 0 ms from now on; a hand drive stays
    void Tick();                           // once per frame, before anything reads the time
    void SetPaused(bool paused);
    int64_t NowMs() const { return Now; }

    // Tests: from now on each Tick moves the clock by stepMs (0 holds it), whatever the real
    // time; a pause still holds it.
    void DriveByHand(int64_t stepMs);

private:
    const CTimeManager* Timer = nullptr;
    int64_t LastCounter = 0;
    int64_t PendingCounts = 0; // run while not paused, not yet whole milliseconds
    int64_t Now = 0;
    bool Paused = false;
    bool ByHand = false;
    int64_t StepMs = 0;
};
