#include "app/FrameTime.h"

#include "app/TimeManager.h"

CFrameTime::CFrameTime(const CTimeManager& timer) : Timer(timer), Last(timer.GetCounter()) {}

int64_t CFrameTime::ElapsedMs()
{
    const int64_t now = Timer.GetCounter();
    Pending += now - Last;
    Last = now;
    const int64_t frequency = Timer.GetFrequency();
    const int64_t ms = Pending * 1000 / frequency;
    Pending -= ms * frequency / 1000;
    return ms;
}
