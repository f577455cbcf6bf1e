#include "platform/Clock.h"

#include <ctime>

bool ReadMonotonicNs(int64_t& nanoseconds)
{
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
        return false;
    nanoseconds = static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
    return true;
}

int64_t MonotonicNs()
{
    int64_t now = 0;
    return ReadMonotonicNs(now) ? now : 0;
}

int64_t CalendarSeconds()
{
    return static_cast<int64_t>(std::time(nullptr));
}
