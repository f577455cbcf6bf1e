#pragma once
#include "platform/Clock.h"

#include <cstdint>

namespace korvane::backend
{

// The time an output and its voices run on: the monotonic counter, or a stand-in clock that
// moves only when a test tells it to (it must outlive the output and every voice on it).
// A value; copying it is cheap. Read on the threads that read the output's device clock.
class CTimeSource
{
public:
    CTimeSource() = default;
    explicit CTimeSource(const CStandInClock& clock) : StandIn(&clock) {}
    int64_t NowNs() const { return StandIn ? StandIn->NowNs() : MonotonicNs(); }

private:
    const CStandInClock* StandIn = nullptr;
};

} // namespace korvane::backend
