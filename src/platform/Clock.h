#pragma once
#include <cstdint>

// The one read of the monotonic clock, in nanoseconds, for the timer and the sound output;
// false when it cannot be read. Any thread.
bool ReadMonotonicNs(int64_t& nanoseconds);
// The same, 0 when it cannot be read.
int64_t MonotonicNs();
// Seconds since the epoch, the seed of the game's random generator.
int64_t CalendarSeconds();

// Time that moves only when it is told to: tests run the game's clocks on one, so nothing they
// check waits on the wall clock or depends on how busy the machine is. Main thread only.
class CStandInClock
{
public:
    int64_t NowNs() const { return Now; }
    void Advance(int64_t nanoseconds) { Now += nanoseconds; }

private:
    int64_t Now = 1'000'000'000; // a counter of a machine that has been up for a second
};
