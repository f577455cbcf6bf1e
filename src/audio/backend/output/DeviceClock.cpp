#include "audio/backend/output/DeviceClock.h"

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
// Handed this much beyond what the line lets through: the device is filling up, not playing.
// A server latency that moves this much is a new state (started, another sink), not noise.
constexpr double ResyncNs = 50e6;
} // namespace

void CDeviceClock::Start(int grantedFrames, int rate, int64_t nowNs)
{
    LastCallbackNs = DueNs = nowNs;
    Audible = true; // a device just opened has to show it runs
    Lost = Closed = false;
    Granted = grantedFrames;
    ServerFrames = -1.0;
    Waiting = 0.0;
    NominalPerNs = double(rate) / 1e9;
    Handed = 0;
    Running = false;
    Frame = 0.0;
    PerNs = NominalPerNs;
    AtNs = LastTickNs = nowNs;
}

double CDeviceClock::HeldFrames() const
{
    const double device = ServerFrames < 0.0 ? 2.0 * Granted : Granted + ServerFrames;
    return device + Waiting;
}

void CDeviceClock::Tick(uint64_t handedFrames, int64_t nowNs, bool audible)
{
    Audible = audible;
    const double before = double(Handed);
    Handed = handedFrames;
    // Taken right after the last one: the device fills up (a server refilling after a pause).
    if (Running && double(nowNs - LastTickNs) * NominalPerNs < Granted / 4.0)
        Waiting += double(handedFrames) - before;
    LastTickNs = nowNs;
    double target = std::max(0.0, double(handedFrames) - HeldFrames());
    if (!Running)
    {
        if (double(handedFrames) < HeldFrames())
            return; // the device starts playing once it holds what it holds
        Running = true;
        Frame = target;
        AtNs = nowNs;
        return;
    }
    // Readers were never given more than min(line, before): going on from there keeps every
    // answer continuous, also after a stall held the line at the last frame handed.
    Frame = std::min(LineAt(std::max(nowNs, AtNs)), before);
    AtNs = std::max(nowNs, AtNs);
    if (target - Frame > ResyncNs * NominalPerNs)
    {
        Waiting += target - Frame;
        target = Frame;
    }
    const double slew = (target - Frame) / (CorrectionNs * NominalPerNs);
    PerNs = NominalPerNs * (1.0 + std::clamp(slew, -MaxFall, MaxRise));
}

void CDeviceClock::Expect(int64_t nowNs)
{
    if (!Audible)
        DueNs = std::max(DueNs, nowNs);
    Audible = true;
}

void CDeviceClock::Report(int64_t atNs, int64_t serverFrames, bool holding)
{
    if (holding)
        DueNs = std::max(DueNs,
                         atNs + int64_t(double(std::max<int64_t>(serverFrames, 0)) / NominalPerNs));
    // Nothing at all is how a server that keeps its latency to itself answers.
    if (serverFrames <= 0 || Lost)
        return;
    const double before = HeldFrames();
    ServerFrames = double(serverFrames);
    Waiting = 0.0; // the server's count includes what a refill left waiting
    // Far less held than the line assumed (the server has started on us, another sink): the
    // frame heard now is known, and the line goes there at once. More held, it slows down.
    const double ahead = before - HeldFrames();
    if (!Running || ahead <= ResyncNs * NominalPerNs)
        return;
    Frame = std::min(LineAt(std::max(atNs, AtNs)) + ahead, double(Handed));
    AtNs = std::max(atNs, AtNs);
}

bool CDeviceClock::Callback(int64_t nowNs)
{
    if (!Lost && LostAt(nowNs))
    {
        // The same line the readers followed since the stall began.
        LostFrame = Running ? double(Handed) : 0.0;
        LostNs = DueNs + StallNs;
        Lost = true;
    }
    LastCallbackNs = nowNs;
    DueNs = std::max(DueNs, nowNs);
    return !Lost;
}

void CDeviceClock::Close(int64_t nowNs)
{
    Closed = true;
    if (Lost)
        return;
    LostFrame = PlayingAt(nowNs);
    LostNs = nowNs;
    Lost = true;
}

bool CDeviceClock::LostAt(int64_t nowNs) const
{
    return Lost || (Audible && nowNs - DueNs > StallNs);
}

bool CDeviceClock::CallsBackAfterLoss(int64_t nowNs) const
{
    return Lost && !Closed && nowNs - LastCallbackNs <= StallNs;
}

double CDeviceClock::PlayingAt(int64_t nowNs) const
{
    if (LostAt(nowNs))
    {
        const double from = Lost ? LostFrame : Running ? double(Handed) : 0.0;
        const int64_t since = Lost ? LostNs : DueNs + StallNs;
        return from + NominalPerNs * double(std::max<int64_t>(0, nowNs - since));
    }
    if (!Running)
        return 0.0;
    return std::min(LineAt(std::max(nowNs, AtNs)), double(Handed));
}

} // namespace korvane::backend
