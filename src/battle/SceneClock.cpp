#include "battle/SceneClock.h"

#include "app/TimeManager.h"

void CSceneClock::Start(const CTimeManager& timer)
{
    Timer = &timer;
    LastCounter = timer.GetCounter();
    PendingCounts = 0;
    Now = 0;
}

void CSceneClock::Tick()
{
    if (ByHand)
    {
        if (!Paused)
            Now += StepMs;
        return;
    }
    if (!Timer)
        return;
    const int64_t counter = Timer->GetCounter();
    if (!Paused)
        PendingCounts += counter - LastCounter;
    LastCounter = counter;
    const int64_t frequency = Timer->GetFrequency();
    const int64_t ms = PendingCounts * 1000 / frequency;
    Now += ms;
    PendingCounts -= ms * frequency / 1000;
}

void CSceneClock::SetPaused(bool paused)
{
    if (paused == Paused)
        return;
    // The time up to the pause still counts; the paused time never does.
    if (Timer && !ByHand)
    {
        const int64_t counter = Timer->GetCounter();
        if (paused)
            PendingCounts += counter - LastCounter;
        LastCounter = counter;
    }
    Paused = paused;
}

void CSceneClock::DriveByHand(int64_t stepMs)
{
    ByHand = true;
    StepMs = stepMs;
}
