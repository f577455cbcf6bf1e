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
// after the start, and heard from one buffer length later (once the device holds the next).
// Before each buffer it fills every voice's ring as the feeder would, so no voice ever runs
// short. It keeps what a listener hears (176 kB a second), silence included, for tests that
// listen. It goes away when told to, in each of the ways SDL and a sound server show it.
// Main thread only, like the clock, which must outlive it and every voice on it; the audio
// lock is no lock at all.
class CStandInDevice final : public CDevice
{
public:
    enum class EOutage
    {
        CallbacksStop,   // it stops calling back (a hung sound server), and nobody says so
        SilentCallbacks, // it goes on calling back, heard by nobody; its server says so a
                         // watch's round (100 ms) later
        WriteFails,      // its next buffer goes nowhere and it says so then; the callbacks go
                         // on, heard by nobody (SDL after a failed write)
        ServerFirst,     // its server says so at once; the callbacks go on, heard by nobody
    };
    static constexpr int64_t WatchRoundNs = 100'000'000;

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
        Away = false;
        TellAtNs = -1;
    }
    CTimeSource Time() const override { return CTimeSource(StandIn); }
    void Lock() override {}
    void Unlock() override {}

    void PlayDue(); // every buffer due by now, in order, each mixed at its own due time
    // What a listener heard since the last call (interleaved stereo at OutputRate), from
    // HeardFromNs on, with silence wherever the device played nothing: frame i was heard
    // i / OutputRate seconds after it. A buffer is taken once it is due.
    std::vector<int16_t> TakePlayed();
    int64_t HeardFromNs() const { return HeardStartNs; }
    // From now on the device is away in that way until it is opened again; the next
    // `refusals` opens fail.
    void Unplug(EOutage outage, int refusals);

private:
    int64_t DueNs(int64_t buffer) const;
    void TellIfDue(int64_t nowNs); // the device's or its server's word that it went away
    void Hear(const std::vector<int16_t>& buffer, int64_t heardNs);

    const CStandInClock& StandIn;
    COutput* Target = nullptr;
    int64_t StartNs = 0;
    int64_t Next = 0; // the next buffer to play
    int Refusals = 0; // opens still to fail
    bool Away = false;
    EOutage Outage = EOutage::ServerFirst;
    int64_t TellAtNs = -1; // when the word comes; -1: none due
    bool Told = false;
    std::vector<int16_t> Mixed;
    std::vector<int16_t> Played;
    int64_t HeardStartNs = 0; // when Played's first frame was heard
    int64_t HeardEndNs = -1;  // ...and its end; -1: nothing heard yet
};

} // namespace korvane::backend
