#include "audio/backend/DeviceClock.h"

#include <algorithm>

namespace korvane::backend
{
namespace
{
// A tenth of a second to take up an error. The slope rises by 5 % at most, so a 20 ms frame
// never sees more than 1 ms beyond its own length; it may fall faster, as a late callback
// often means a device that played late.
constexpr double CorrectionNs = 100e6;
constexpr double MaxRise = 0.05;
constexpr double MaxFall = 0.2;
// The device took this much more than the line let through (it pulled a burst): jump.
constexpr double ResyncNs = 50e6;
} // namespace

void CDeviceClock::Start(int grantedFrames, int rate, int64_t nowNs)
{
    LastCallbackNs = nowNs;
    Lost = false;
    Held = 2.0 * grantedFrames;
    NominalPerNs = double(rate) / 1e9;
    Handed = 0;
    Running = false;
    Frame = 0.0;
    PerNs = NominalPerNs;
    AtNs = 0;
}

void CDeviceClock::Tick(uint64_t handedFrames, int64_t nowNs)
{
    const double before = double(Handed);
    Handed = handedFrames;
    const double target = std::max(0.0, double(handedFrames) - Held);
    if (!Running)
    {
        if (double(handedFrames) < Held)
            return; // the device starts playing once it holds its two buffers
        Running = true;
        Frame = target;
        AtNs = nowNs;
        return;
    }
    const double predicted = Frame + PerNs * double(std::max<int64_t>(0, nowNs - AtNs));
    AtNs = nowNs;
    // Readers were never given more than min(predicted, before): going on from there keeps
    // every answer continuous, also after a stall held the line at the last frame handed.
    if (target - predicted > ResyncNs * NominalPerNs)
        Frame = target;
    else
        Frame = std::min(predicted, before);
    const double slew = (target - Frame) / (CorrectionNs * NominalPerNs);
    PerNs = NominalPerNs * (1.0 + std::clamp(slew, -MaxFall, MaxRise));
}

bool CDeviceClock::Callback(int64_t nowNs)
{
    if (!Lost && nowNs - LastCallbackNs > StallNs)
    {
        // The same line the readers followed since the stall began.
        LostFrame = Running ? double(Handed) : 0.0;
        LostNs = LastCallbackNs + StallNs;
        Lost = true;
    }
    LastCallbackNs = nowNs;
    return !Lost;
}

void CDeviceClock::Close(int64_t nowNs)
{
    if (Lost)
        return;
    LostFrame = PlayingAt(nowNs);
    LostNs = nowNs;
    Lost = true;
}

bool CDeviceClock::LostAt(int64_t nowNs) const
{
    return Lost || nowNs - LastCallbackNs > StallNs;
}

bool CDeviceClock::CallsBackAfterLoss(int64_t nowNs) const
{
    return Lost && nowNs - LastCallbackNs <= StallNs;
}

double CDeviceClock::PlayingAt(int64_t nowNs) const
{
    if (LostAt(nowNs))
    {
        const double from = Lost ? LostFrame : Running ? double(Handed) : 0.0;
        const int64_t since = Lost ? LostNs : LastCallbackNs + StallNs;
        return from + NominalPerNs * double(std::max<int64_t>(0, nowNs - since));
    }
    if (!Running)
        return 0.0;
    const double line = Frame + PerNs * double(std::max<int64_t>(0, nowNs - AtNs));
    return std::min(line, double(Handed));
}

} // namespace korvane::backend
