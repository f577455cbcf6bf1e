#include "audio/backend/output/ClickTrack.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvane::backend
{
namespace
{
// A wood-block tick: two partials dying away within a few milliseconds. It starts at a
// non-zero sample, so the ear (and a capture) finds its onset on its first frame.
constexpr double TickSeconds = 0.03;
constexpr double DecaySeconds = 0.005;
constexpr double Partials[][2] = {{1800.0, 0.45}, {3100.0, 0.2}}; // Hz, share of full scale
} // namespace

CClickTrack::CClickTrack(int64_t periodFrames, int64_t clicks)
    : Period(std::max<int64_t>(periodFrames, 1))
{
    SampleRate = OutputRate;
    ChannelCount = 2;
    Length = Period * (std::max<int64_t>(clicks, 0) + 1);
    const auto frames = std::min<int64_t>(int64_t(TickSeconds * OutputRate), Period);
    Tick.resize(size_t(frames));
    for (int64_t i = 0; i < frames; ++i)
    {
        const double t = double(i) / OutputRate;
        double value = 0.0;
        for (const auto& [hertz, share] : Partials)
            value += share * std::sin(2.0 * std::numbers::pi * hertz * t + std::numbers::pi / 4);
        Tick[size_t(i)] = int16_t(std::lround(32767.0 * value * std::exp(-t / DecaySeconds)));
    }
}

int64_t CClickTrack::ReadFrames(int16_t* out, int64_t frames)
{
    for (int64_t i = 0; i < frames; ++i)
    {
        const int64_t at = Position + i;
        const int64_t inBeat = at % Period;
        const int16_t sample =
            at >= Period && inBeat < int64_t(Tick.size()) ? Tick[size_t(inBeat)] : 0;
        out[2 * i] = out[2 * i + 1] = sample;
    }
    return frames;
}

} // namespace korvane::backend
