#pragma once
// An audio engine on the stand-in device and the clock it runs on, for tests that play sound
// without a sound card and without waiting: nothing plays, and no time passes, until Step.
// The device is given a buffer of DeviceBufferFrames every buffer length from Init on, and
// plays each once it holds the next one too (as SDL's device does).
#include "audio/Audio.h"
#include "audio/backend/output/OutputFormat.h"
#include "platform/Clock.h"
#include "support/StandInDevice.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

class CStandInAudio
{
public:
    static constexpr int64_t FrameNs = 20'000'000; // a frame of the game

    bool Init()
    {
        StartNs = Clock.NowNs();
        return Audio.Init(
            [this]
            {
                auto device = std::make_unique<korvane::backend::CStandInDevice>(Clock);
                Device = device.get();
                return device;
            });
    }
    // The device of the engine's output; null before Init and after Shutdown.
    korvane::backend::CStandInDevice* Playing() { return Audio.GetOutput() ? Device : nullptr; }
    // All a listener heard since the last call: interleaved stereo at the output rate, silence
    // included, from `*heardFromNs` on (when given).
    std::vector<int16_t> TakePlayed(int64_t* heardFromNs = nullptr)
    {
        if (!Playing())
            return {};
        if (heardFromNs)
            *heardFromNs = Device->HeardFromNs();
        return Device->TakePlayed();
    }
    // Time moves on by `ns`, and the device plays every buffer due by then.
    void Step(int64_t ns = FrameNs)
    {
        Clock.Advance(ns);
        if (Playing())
            Device->PlayDue();
        while (DueNs(Given) <= Clock.NowNs())
            ++Given;
    }
    int64_t NowNs() const { return Clock.NowNs(); }
    int64_t Buffers() const { return Given; } // given to the device so far
    int64_t DueNs(int64_t buffer) const
    {
        using namespace korvane::backend;
        return StartNs + buffer * DeviceBufferFrames * 1'000'000'000 / OutputRate;
    }
    // When a voice that starts now is heard: it goes into the next buffer, which the device
    // plays once it has played the one it plays now and the one it holds.
    int64_t HeardFromNs() const { return DueNs(Given + 1); }
    // Output frames played since `fromNs`; 0 before.
    double FramesSince(int64_t fromNs) const
    {
        return std::max(0.0, double(NowNs() - fromNs) * korvane::backend::OutputRate / 1e9);
    }

    CStandInClock Clock; // first: it outlives the engine and every stream opened on it
    CAudio Audio;

private:
    korvane::backend::CStandInDevice* Device = nullptr; // owned by the engine's output
    int64_t StartNs = 0;
    int64_t Given = 0;
};
