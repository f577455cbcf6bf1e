#pragma once
#include <cstdint>
#include <vector>

// How a player's taps on a steady click become an audio offset. A tap's difference is the
// milliseconds by which it came after the click it answers, as heard with the current offset
// (negative: before it), so the offset that makes taps and clicks meet is the current one
// plus their typical difference. No SDL.
namespace SyncTaps
{
constexpr int PerTry = 16;
constexpr int WarmUp = 4; // the first taps find the beat and do not count
constexpr int MinGood = 8;
constexpr double OutlierMs = 150.0; // further than this from the median: a missed or extra tap

struct SVerdict
{
    bool Enough = false;    // at least MinGood good taps
    int Good = 0;           // counted taps within OutlierMs of their median
    double MedianMs = 0.0;  // of the good taps
    double SpreadMs = 0.0;  // their mean distance from that median
    int32_t ProposedMs = 0; // current offset + median, within the offset's range
};

// The difference of a tap heard at `heardBytes` to the nearest of the clicks that come every
// `periodBytes` bytes from position 0.
double DifferenceMs(int64_t heardBytes, int64_t periodBytes, double bytesPerMs);
// Judges the taps after the warm-up; ProposedMs is the current offset when there are too few.
SVerdict Judge(const std::vector<double>& differencesMs, int32_t currentOffsetMs);
} // namespace SyncTaps
