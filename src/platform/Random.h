#pragma once
#include <cstdint>

// The game's random numbers: the classic runtime generator, so a seed gives the same sequence
// on every machine: state = state × 214013 + 2531011 (mod 2^32), result (state >> 16) & 0x7FFF.
// The timer seeds the game's one with the time of day. Main thread only.
class CRandom
{
public:
    void Seed(uint32_t seed) { State = seed; }
    int32_t Next(); // 0..32767

private:
    uint32_t State = 1;
};
