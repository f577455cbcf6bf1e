#include "support/StandInDevice.h"

#include "audio/backend/output/Output.h"

#include <numeric>
#include <utility>

namespace korvane::backend
{

void CStandInDevice::Start(COutput& output)
{
    Target = &output;
    StartNs = StandIn.NowNs();
    Next = 0;
}

int64_t CStandInDevice::DueNs(int64_t buffer) const
{
    // Whole nanoseconds, without overflow for years of buffers.
    constexpr int64_t BufferNs = int64_t(DeviceBufferFrames) * 1'000'000'000;
    constexpr int64_t Common = std::gcd(BufferNs, int64_t(OutputRate));
    return StartNs + buffer * (BufferNs / Common) / (OutputRate / Common);
}

void CStandInDevice::PlayDue()
{
    for (; Target && DueNs(Next) <= StandIn.NowNs(); ++Next)
    {
        if (Away && Outage == EOutage::CallbacksStop)
            break;
        const int64_t due = DueNs(Next);
        TellIfDue(due);
        while (Target && Target->FeedVoices())
        {
        }
        Mixed.assign(size_t(DeviceBufferFrames * OutputChannels), 0);
        Target->Mix(Mixed.data(), DeviceBufferFrames, due);
        if (!Away)
            Hear(Mixed, DueNs(Next + 1));
        else if (Outage == EOutage::WriteFails && !Told)
        {
            Told = true;
            Target->DeviceGone(due);
        }
    }
    TellIfDue(StandIn.NowNs());
}

void CStandInDevice::TellIfDue(int64_t nowNs)
{
    if (!Target || Told || TellAtNs < 0 || TellAtNs > nowNs)
        return;
    Told = true;
    Target->DeviceGone(TellAtNs);
}

void CStandInDevice::Hear(const std::vector<int16_t>& buffer, int64_t heardNs)
{
    if (HeardEndNs < 0)
        HeardStartNs = heardNs;
    else if (heardNs > HeardEndNs)
        Played.resize(Played.size() + size_t((heardNs - HeardEndNs) * OutputRate / 1'000'000'000) *
                                          OutputChannels,
                      0);
    Played.insert(Played.end(), buffer.begin(), buffer.end());
    HeardEndNs = heardNs + int64_t(DeviceBufferFrames) * 1'000'000'000 / OutputRate;
}

void CStandInDevice::Unplug(EOutage outage, int refusals)
{
    Refusals = refusals;
    if (!Target)
        return;
    Away = true;
    Outage = outage;
    Told = false;
    TellAtNs = -1;
    if (outage == EOutage::ServerFirst)
        TellAtNs = StandIn.NowNs();
    else if (outage == EOutage::SilentCallbacks)
        TellAtNs = StandIn.NowNs() + WatchRoundNs;
    TellIfDue(StandIn.NowNs());
}

std::vector<int16_t> CStandInDevice::TakePlayed()
{
    HeardStartNs = HeardEndNs; // what comes next is heard from there, after any silence
    return std::exchange(Played, {});
}

} // namespace korvane::backend
