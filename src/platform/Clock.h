#pragma once
#include <cstdint>

// The monotonic clock in nanoseconds; false when it cannot be read.
bool ReadMonotonicNs(int64_t& nanoseconds);
// Seconds since the epoch, the seed of the game's random generator.
int64_t CalendarSeconds();
