#pragma once
#include <cstdint>

struct AVFrame;

namespace korvane::backend
{

// A decoded frame of any sample format, planar or packed, to interleaved 16-bit samples by the
// rules of FFmpeg's own conversion (`ffmpeg -f s16le`): integers are shifted, and so truncated;
// floats are scaled by 32768, rounded to nearest and clipped. `out` holds nb_samples × channels
// samples. False for a format it does not know.
bool ConvertToShort(const AVFrame& frame, int channels, int16_t* out);

} // namespace korvane::backend
