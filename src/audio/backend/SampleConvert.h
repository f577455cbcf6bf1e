#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvane::backend
{

// A float sample (full scale ±1.0) to 16 bits as FFmpeg converts it: scaled by 32768, rounded
// to nearest, clipped. Every reader of float audio goes through here.
inline int16_t FloatToShort(double sample)
{
    return int16_t(std::clamp<long>(std::lrint(sample * 32768.0), -32768, 32767));
}

} // namespace korvane::backend
