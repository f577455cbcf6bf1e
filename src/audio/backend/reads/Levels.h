#pragma once
#include <cstdint>

namespace korvane::backend
{

// Peak of |sample| (0..32768) over `frames` interleaved frames, packed left | right << 16.
// Left is the peak of channels 0, 2, 4…, right of channels 1, 3, 5…; mono fills both halves.
uint32_t PackedPeakLevel(const int16_t* samples, int64_t frames, int channels);

// The channels of each frame averaged and scaled to [-1, 1) (÷ 32768). Every path that makes
// mono samples for the spectrum goes through here, so cached and decoded reads agree bit for bit.
void MixToMono(const int16_t* samples, int64_t frames, int channels, float* mono);

} // namespace korvane::backend
