#include "audio/backend/decode/AvSamples.h"

#include "audio/backend/decode/SampleConvert.h"

extern "C"
{
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

namespace korvane::backend
{
namespace
{
// One sample to 16 bits by the rules of FFmpeg's own conversion: integers are shifted (and so
// truncated), floats scaled by 32768 and rounded to nearest.
int16_t ToShort(uint8_t v)
{
    return int16_t((int(v) - 0x80) * 256);
}
int16_t ToShort(int16_t v)
{
    return v;
}
int16_t ToShort(int32_t v)
{
    return int16_t(v >> 16);
}
int16_t ToShort(int64_t v)
{
    return int16_t(v >> 48);
}
int16_t ToShort(float v)
{
    return FloatToShort(v);
}
int16_t ToShort(double v)
{
    return FloatToShort(v);
}

template <class T> void Interleave(const AVFrame& frame, int channels, bool planar, int16_t* out)
{
    const int frames = frame.nb_samples;
    if (planar && channels == 2) // most songs: a loop the compiler vectorises
    {
        const T* left = reinterpret_cast<const T*>(frame.extended_data[0]);
        const T* right = reinterpret_cast<const T*>(frame.extended_data[1]);
        for (int i = 0; i < frames; ++i)
        {
            out[2 * i] = ToShort(left[i]);
            out[2 * i + 1] = ToShort(right[i]);
        }
        return;
    }
    if (!planar)
    {
        const T* in = reinterpret_cast<const T*>(frame.extended_data[0]);
        for (int64_t i = 0; i < int64_t(frames) * channels; ++i)
            out[i] = ToShort(in[i]);
        return;
    }
    for (int c = 0; c < channels; ++c)
    {
        const T* in = reinterpret_cast<const T*>(frame.extended_data[c]);
        for (int i = 0; i < frames; ++i)
            out[i * channels + c] = ToShort(in[i]);
    }
}

} // namespace

bool ConvertToShort(const AVFrame& frame, int channels, int16_t* out)
{
    const auto format = AVSampleFormat(frame.format);
    const bool planar = av_sample_fmt_is_planar(format);
    switch (av_get_packed_sample_fmt(format))
    {
    case AV_SAMPLE_FMT_U8:
        Interleave<uint8_t>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_S16:
        Interleave<int16_t>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_S32:
        Interleave<int32_t>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_S64:
        Interleave<int64_t>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_FLT:
        Interleave<float>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_DBL:
        Interleave<double>(frame, channels, planar, out);
        return true;
    default:
        return false;
    }
}

} // namespace korvane::backend
