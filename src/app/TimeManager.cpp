#include "app/TimeManager.h"

#include "platform/Clock.h"
#include "platform/Log.h"

namespace
{
constexpr int64_t NanosecondsPerSecond = 1000000000;

// counts × 1000 / frequency without overflowing for long uptimes.
uint32_t CountsToMs(int64_t counts, int64_t frequency)
{
    const int64_t ms = (counts / frequency) * 1000 + (counts % frequency) * 1000 / frequency;
    return static_cast<uint32_t>(ms);
}
} // namespace

CTimeManager::CTimeManager()
{
    int64_t probe = 0;
    if (!ReadMonotonicNs(probe))
        ShowMessage("Error : Unable to get the performance counter");
    Frequency = NanosecondsPerSecond;
    Random.Seed(static_cast<uint32_t>(CalendarSeconds()));
}

int64_t CTimeManager::GetCounter() const
{
    if (StandIn)
        return StandIn->NowNs();
    int64_t now = 0;
    return ReadMonotonicNs(now) ? now : 1;
}

uint32_t CTimeManager::GetMilliseconds() const
{
    return CountsToMs(GetCounter(), Frequency);
}

uint32_t CTimeManager::GetElapsedMs(int64_t a, int64_t b) const
{
    return CountsToMs(a > b ? a - b : b - a, Frequency);
}
