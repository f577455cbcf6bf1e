#include "audio/backend/Levels.h"

#include <algorithm>
#include <cstdlib>

namespace korvane::backend
{

uint32_t PackedPeakLevel(const int16_t* samples, int64_t frames, int channels)
{
    uint32_t peak[2] = {0, 0};
    for (int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
        {
            const uint32_t v = uint32_t(std::abs(int32_t(samples[f * channels + c])));
            uint32_t& p = peak[c & 1];
            p = std::max(p, v);
        }
    if (channels == 1)
        peak[1] = peak[0];
    return peak[0] | peak[1] << 16;
}

void MixToMono(const int16_t* samples, int64_t frames, int channels, float* mono)
{
    const float scale = 1.0f / (32768.0f * float(channels));
    for (int64_t f = 0; f < frames; ++f)
    {
        int32_t sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += samples[f * channels + c];
        mono[f] = float(sum) * scale;
    }
}

} // namespace korvane::backend
