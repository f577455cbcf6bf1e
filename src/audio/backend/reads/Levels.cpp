#include "audio/backend/reads/Levels.h"

#include <algorithm>
#include <cstdlib>

namespace korvane::backend
{
namespace
{
// Samples per step of the fixed-width loops below: a trip count the compiler can turn into
// whole vector registers without a cost model (-O2), and a multiple of 1 and 2 channels, so
// lane i always holds channel i % channels.
constexpr int64_t Lanes = 32;

void GenericPeaks(const int16_t* samples, int64_t frames, int channels, uint32_t peak[2])
{
    for (int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
        {
            const uint32_t v = uint32_t(std::abs(int32_t(samples[f * channels + c])));
            uint32_t& p = peak[c & 1];
            p = std::max(p, v);
        }
}
} // namespace

uint32_t PackedPeakLevel(const int16_t* samples, int64_t frames, int channels)
{
    uint32_t peak[2] = {0, 0};
    int64_t done = 0;
    if (channels == 1 || channels == 2)
    {
        // Largest and smallest sample per lane, branch-free; |−32768| only appears when the
        // lanes are combined, in 32 bits.
        int16_t high[Lanes] = {};
        int16_t low[Lanes] = {};
        const int64_t count = frames * channels;
        int64_t i = 0;
        for (; i + Lanes <= count; i += Lanes)
            for (int64_t l = 0; l < Lanes; ++l)
            {
                const int16_t s = samples[i + l];
                high[l] = s > high[l] ? s : high[l];
                low[l] = s < low[l] ? s : low[l];
            }
        for (int64_t l = 0; l < Lanes; ++l)
        {
            const auto v = uint32_t(std::max(int32_t(high[l]), -int32_t(low[l])));
            uint32_t& p = peak[(l % channels) & 1];
            p = std::max(p, v);
        }
        done = i / channels;
    }
    GenericPeaks(samples + done * channels, frames - done, channels, peak);
    if (channels == 1)
        peak[1] = peak[0];
    return peak[0] | peak[1] << 16;
}

void MixToMono(const int16_t* samples, int64_t frames, int channels, float* mono)
{
    const float scale = 1.0f / (32768.0f * float(channels));
    int64_t f = 0;
    if (channels == 1)
        for (; f + Lanes <= frames; f += Lanes)
            for (int64_t l = 0; l < Lanes; ++l)
                mono[f + l] = float(int32_t(samples[f + l])) * scale;
    else if (channels == 2)
        for (; f + Lanes <= frames; f += Lanes)
            for (int64_t l = 0; l < Lanes; ++l)
            {
                const int32_t sum = int32_t(samples[2 * (f + l)]) + samples[2 * (f + l) + 1];
                mono[f + l] = float(sum) * scale;
            }
    for (; f < frames; ++f)
    {
        int32_t sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += samples[f * channels + c];
        mono[f] = float(sum) * scale;
    }
}

} // namespace korvane::backend
