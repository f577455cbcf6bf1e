#include "audio/backend/output/StandInDevice.h"

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
        while (Target->FeedVoices())
        {
        }
        const size_t at = Played.size();
        Played.resize(at + size_t(DeviceBufferFrames * OutputChannels));
        Target->Mix(Played.data() + at, DeviceBufferFrames, DueNs(Next));
        if (Gone)
            Played.resize(at); // nobody hears it
    }
}

void CStandInDevice::Unplug(int refusals)
{
    Refusals = refusals;
    Gone = Target != nullptr;
    if (Target)
        Target->Clock().Close(StandIn.NowNs());
}

std::vector<int16_t> CStandInDevice::TakePlayed()
{
    return std::exchange(Played, {});
}

} // namespace korvane::backend
