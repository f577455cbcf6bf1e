#pragma once
#include "audio/backend/output/Device.h"
#include "audio/backend/output/OutputFormat.h"

#include <cstdint>
#include <vector>

namespace korvane::backend
{

// A device for tests, with no thread and no sound card: its time is a stand-in clock's, and it
// plays when told to (PlayDue) every buffer of DeviceBufferFrames frames that is due by that
// clock, as a device whose callbacks come exactly on time: buffer k is due k buffer lengths
// after the start. Before each buffer it fills every voice's ring as the feeder would, so no
// voice ever runs short. It keeps everything it played (176 kB a second), for tests that listen.
// Main thread only, like the clock, which must outlive it and every voice on it; the audio
// lock is no lock at all.
class CStandInDevice final : public CDevice
{
public:
    explicit CStandInDevice(const CStandInClock& clock) : StandIn(clock) {}

    bool Open() override
    {
        if (Refusals == 0)
            return true;
        --Refusals;
        return false;
    }
    int GrantedFrames() const override { return DeviceBufferFrames; }
    void Start(COutput& output) override;
    void Close() override
    {
        Target = nullptr;
        Gone = false;
    }
    CTimeSource Time() const override { return CTimeSource(StandIn); }
    void Lock() override {}
    void Unlock() override {}

    void PlayDue(); // every buffer due by now, in order, each mixed at its own due time
    // What it played since the last call: interleaved stereo at OutputRate, silence included.
    std::vector<int16_t> TakePlayed();
    // The sound server goes away, as SDL sees it: the device is told gone and goes on calling
    // back with nothing heard until it is opened again, and the next `refusals` opens fail.
    void Unplug(int refusals);

private:
    int64_t DueNs(int64_t buffer) const;

    const CStandInClock& StandIn;
    COutput* Target = nullptr;
    int64_t StartNs = 0;
    int64_t Next = 0; // the next buffer to play
    int Refusals = 0; // opens still to fail
    bool Gone = false;
    std::vector<int16_t> Played;
};

} // namespace korvane::backend
