#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvane::backend
{

// A float sample (full scale ±1.0) to 16 bits as FFmpeg converts it: scaled by 32768, rounded
// to nearest (ties to even), clipped. Clipping before the rounding gives the same result and
// lets a loop of these vectorise (with -fno-math-errno). Every reader of float audio uses it.
inline int16_t FloatToShort(float sample)
{
    return int16_t(std::lrintf(std::clamp(sample * 32768.0f, -32768.0f, 32767.0f)));
}
inline int16_t FloatToShort(double sample)
{
    return int16_t(std::lrint(std::clamp(sample * 32768.0, -32768.0, 32767.0)));
}

} // namespace korvane::backend
