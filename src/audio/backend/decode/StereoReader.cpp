#include "audio/backend/decode/StereoReader.h"

#include <algorithm>

namespace korvane::backend
{

CStereoReader::CStereoReader(std::unique_ptr<CReader> inner) : Inner(std::move(inner)) {}

int64_t CStereoReader::Read(int16_t* out, int64_t frames)
{
    const int channels = Inner->Channels();
    if (channels == 2)
        return Inner->Read(out, frames);
    Buffer.resize(size_t(frames) * size_t(channels));
    const int64_t got = Inner->Read(Buffer.data(), frames);
    const int perSide[2] = {(channels + 1) / 2, channels / 2};
    for (int64_t f = 0; f < got; ++f)
    {
        const int16_t* in = &Buffer[size_t(f * channels)];
        if (channels == 1)
        {
            out[2 * f] = out[2 * f + 1] = in[0];
            continue;
        }
        int32_t sum[2] = {0, 0};
        for (int c = 0; c < channels; ++c)
            sum[c & 1] += in[c];
        out[2 * f] = int16_t(sum[0] / perSide[0]);
        out[2 * f + 1] = int16_t(sum[1] / perSide[1]);
    }
    return got;
}

} // namespace korvane::backend
