#include "audio/backend/output/DeviceClock.h"

#include <algorithm>
#include <cmath>

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
    DueNs = nowNs;
    Audible = true; // a device just opened has to show it runs
    Away = Dead = false;
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
    // Nothing at all is how a server that keeps its latency to itself answers; a device that
    // is away, or not back yet, says nothing of what will be heard.
    if (serverFrames <= 0 || Away)
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

bool CDeviceClock::StalledAt(int64_t nowNs) const
{
    return !Away && Audible && nowNs - DueNs > StallNs;
}

double CDeviceClock::StallFrame() const
{
    return Running ? std::min(LineAt(std::max(DueNs, AtNs)), double(Handed)) : Frame;
}

void CDeviceClock::Lose(double frame, int64_t atNs)
{
    StallSeenNs = 0;
    LostFrame = frame;
    LostNs = atNs;
    Away = true;
    Steady = 0;
    ++OutageCount;
}

void CDeviceClock::Notice(int64_t nowNs)
{
    if (!StalledAt(nowNs))
        StallSeenNs = 0;
    else if (StallSeenNs == 0)
        StallSeenNs = nowNs;
    else if (nowNs - StallSeenNs >= ConfirmNs)
        Lose(StallFrame(), DueNs);
}

int64_t CDeviceClock::Callback(int64_t nowNs, int frames)
{
    DueNs = std::max(DueNs, nowNs);
    if (!Away)
        return int64_t(Handed);
    if (Dead)
        return -1;
    const auto periodNs = int64_t(double(frames) / NominalPerNs);
    const bool paced = Steady > 0 && nowNs - LastAwayCallbackNs <= periodNs * 3 / 2;
    Steady = paced ? Steady + 1 : 1;
    LastAwayCallbackNs = nowNs;
    if (Steady < ReturnBuffers)
        return -1;
    // Back: this buffer is heard once the device has played what it holds before it, and by
    // then the free-running clock stands at its first frame.
    const double free = PlayingAt(nowNs);
    Handed = std::max(Handed, uint64_t(std::llround(free + HeldFrames() - frames)));
    Frame = free;
    AtNs = nowNs;
    PerNs = NominalPerNs;
    LastTickNs = nowNs - periodNs; // not a refill
    Waiting = 0.0;
    Running = true;
    Audible = true;
    Away = false;
    return int64_t(Handed);
}

void CDeviceClock::Gone(int64_t nowNs)
{
    if (!Away)
        Lose(PlayingAt(nowNs), nowNs);
    Dead = true;
}

void CDeviceClock::Reopened(int grantedFrames, int64_t nowNs)
{
    Granted = grantedFrames;
    ServerFrames = -1.0; // another stream, maybe on another server
    Waiting = 0.0;
    Dead = false;
    Steady = 0;
    DueNs = nowNs;
}

bool CDeviceClock::SilentFor(int64_t nowNs, int64_t ns) const
{
    return Away && !Dead && nowNs - DueNs > ns;
}

double CDeviceClock::PlayingAt(int64_t nowNs) const
{
    if (Away)
        return LostFrame + NominalPerNs * double(std::max<int64_t>(0, nowNs - LostNs));
    if (!Running)
        return Frame;
    return std::min(LineAt(std::max(nowNs, AtNs)), double(Handed));
}

} // namespace korvane::backend
