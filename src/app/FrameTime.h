#pragma once
#include <cstdint>

class CTimeManager;

// The milliseconds between frames in whole steps, what is left of a millisecond carried on to
// the next frame, so a frame rate that is not a whole number of milliseconds loses no time.
class CFrameTime
{
public:
    explicit CFrameTime(const CTimeManager& timer);
    virtual ~CFrameTime() = default;

    int64_t ElapsedMs(); // since the last call (or the construction)

private:
    const CTimeManager& Timer;
    int64_t Last;
    int64_t Pending = 0; // counts not yet whole milliseconds
};
