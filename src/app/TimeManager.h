#pragma once
#include "platform/Random.h"

#include <cstdint>

class CStandInClock;

// The program's clock (the monotonic clock, in nanoseconds) and the owner of the game's
// random generator, seeded once with the time of day when the clock is built.
class CTimeManager
{
public:
    CTimeManager();
    virtual ~CTimeManager() = default;

    int64_t GetCounter() const;                        // 1 when the clock cannot be read
    uint32_t GetMilliseconds() const;                  // counter × 1000 / frequency
    uint32_t GetElapsedMs(int64_t a, int64_t b) const; // |a − b| in ms, order-free
    int64_t GetFrequency() const { return Frequency; }
    // Tests: the counter reads `clock` (which outlives this) instead of the monotonic clock.
    void UseStandIn(const CStandInClock* clock) { StandIn = clock; }

    // Handed to whatever draws random numbers (the scenery, the shuffle).
    CRandom Random;

private:
    int64_t Frequency = 1;
    const CStandInClock* StandIn = nullptr;
};
