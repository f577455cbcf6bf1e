#include "audio/backend/output/DeviceClock.h"
#include "audio/backend/output/PulseWatch.h"

#include <gtest/gtest.h>

#include <algorithm>

// The device clock alone, fed callbacks of 1024 frames on made-up timelines and read every
// millisecond: never back, never past what was handed, no step above the time elapsed (plus
// the 5 % correction) once something is heard, and settled on the frame played: two granted
// buffers behind, or one plus what a sound server says it holds, plus a refill taken at once.
// A device that stops calling back counts as lost after the stall time: the clock goes on
// from the last frame handed at the nominal rate, and a late callback changes nothing. A pause
// while nothing is audible, or one the server vouches for, is no loss.
TEST(DeviceClock, FollowsTheCallbacksSmoothly)
{
    using korvane::backend::CDeviceClock;
    enum class EServer
    {
        None,
        Holds,     // every 100 ms: 13 ms of latency (and any refill), our frames held
        Schedules, // ...and, while paused, how long until it plays us
        Hangs,     // answers as Holds, then no more from 100 ms before the device stops
        Drops,     // as Holds, but 200 ms of latency until 3 s in (another sink, say)
        Quiet,     // answers, but never says a latency or that it holds anything (PipeWire)
    };
    struct SCase
    {
        const char* Name;
        double PeriodUs;
        int JitterUs;    // each callback early or late by up to this much, fixed pattern
        int64_t ShiftNs; // from the 60th callback on, all come this much late (or early)
        int Ticks;       // callbacks before the device stops (or the end of the case)
        int PauseAfter;  // from this callback on, all come PauseNs later (0: no pause)...
        int64_t PauseNs; // (for a device that stops: when a voice plays after the last one)
        int Refill;      // ...with this many more right after the first, 0.1 ms apart
        bool Silent;     // nothing audible in the callback before the pause (or the stop)
        EServer Server;
    };
    const double period = 1024e6 / 44100;
    const SCase cases[] = {
        {"on time", period, 0, 0, 300, 0, 0, 0, false, EServer::None},
        {"jittered", period, 3000, 0, 300, 0, 0, 0, false, EServer::None},
        {"stalled once", period, 0, 30000000, 300, 0, 0, 0, false, EServer::None},
        {"caught up once", period, 0, -15000000, 300, 0, 0, 0, false, EServer::None},
        {"fast device", 23000.0, 0, 0, 300, 0, 0, 0, false, EServer::None},
        {"device stops", period, 3000, 0, 100, 0, 0, 0, false, EServer::None},
        {"never calls back", period, 0, 0, 0, 0, 0, 0, false, EServer::None},
        {"stops while silent", period, 3000, 0, 100, 0, 1000000000, 0, true, EServer::None},
        {"paused, nothing audible", period, 3000, 0, 300, 100, 2000000000, 0, true, EServer::None},
        {"refill after a pause", period, 0, 0, 300, 100, 1000000000, 8, true, EServer::None},
        {"server latency", period, 3000, 0, 300, 0, 0, 0, false, EServer::Holds},
        {"corked by the server", period, 3000, 0, 300, 100, 2000000000, 0, false, EServer::Holds},
        {"refill the server counts", period, 0, 0, 300, 100, 1000000000, 8, false, EServer::Holds},
        {"server starts late", period, 0, 0, 300, 1, 1500000000, 0, false, EServer::Schedules},
        {"server hangs", period, 3000, 0, 100, 0, 0, 0, false, EServer::Hangs},
        {"server latency drops", period, 3000, 0, 300, 0, 0, 0, false, EServer::Drops},
        {"server without a latency", period, 3000, 0, 300, 0, 0, 0, false, EServer::Quiet},
    };
    for (const SCase& c : cases)
    {
        const bool stops = c.Ticks < 300;
        CDeviceClock clock;
        clock.Start(1024, 44100, 0);
        const auto tickNs = [&](int tick)
        {
            const int refill = c.PauseAfter > 0 ? std::clamp(tick - c.PauseAfter, 0, c.Refill) : 0;
            const int paced = tick - refill;
            const int64_t jitterUs = c.JitterUs * ((paced * 7919) % 7 - 3) / 3;
            return int64_t((paced * c.PeriodUs + double(jitterUs)) * 1000) +
                   (paced >= 60 ? c.ShiftNs : 0) +
                   (c.PauseAfter > 0 && paced >= c.PauseAfter ? c.PauseNs : 0) + refill * 100000;
        };
        const auto lastNs = [&](int ticks) { return ticks > 0 ? tickNs(ticks - 1) : 0; };
        const int64_t resumeNs = c.PauseAfter > 0 ? tickNs(c.PauseAfter) : 0;
        // A silent device has to call back from when a voice plays on.
        const int silentTick = (stops ? c.Ticks : c.PauseAfter) - 1;
        const int64_t playNs = stops ? lastNs(c.Ticks) + c.PauseNs : resumeNs;
        const int64_t dueNs = c.Silent ? playNs : lastNs(c.Ticks);
        const int64_t endNs = stops ? dueNs + 2 * CDeviceClock::StallNs : lastNs(c.Ticks);
        int tick = 0;
        double last = 0.0;
        bool played = !c.Silent;
        for (int64_t ns = 0; ns <= endNs || tick < c.Ticks; ns += 1000000)
        {
            if (!played && ns >= playNs)
            {
                clock.Expect(playNs);
                played = true;
            }
            for (; tick < c.Ticks && tickNs(tick) <= ns; ++tick)
                if (clock.Callback(tickNs(tick)))
                    clock.Tick(uint64_t(tick + 1) * 1024, tickNs(tick),
                               !c.Silent || tick != silentTick);
            // What the server says it holds: 13 ms, any refill, and what the case adds.
            int64_t told = 573 + (resumeNs > 0 && ns > resumeNs ? c.Refill * 1024 : 0);
            if (c.Server == EServer::Schedules)
                told += std::max<int64_t>(0, resumeNs - ns) * 441 / 10000000;
            if (c.Server == EServer::Drops && ns < 3000000000)
                told = 8820;
            // Told as PulseWatch hears it: 3 ms in the sink, the rest queued; corked while paused.
            const int64_t toldUs =
                c.Server == EServer::Quiet ? 0 : (told * 1000000 + 44099) / 44100;
            const bool corked = c.Server == EServer::Holds && c.PauseAfter > 0 &&
                                ns > lastNs(c.PauseAfter) && ns < resumeNs;
            const auto answer = korvane::backend::CPulseWatch::StreamAnswer(
                uint64_t(std::max<int64_t>(0, toldUs - 3000)),
                uint64_t(std::min<int64_t>(toldUs, 3000)), corked);
            if (ns % 100000000 == 0 && c.Server != EServer::None &&
                (c.Server != EServer::Hangs || ns + 100000000 <= lastNs(c.Ticks)))
                clock.Report(ns, answer.LatencyFrames(44100), answer.Holding);
            const double playing = clock.PlayingAt(ns);
            const double free =
                44100e-9 * double(std::max<int64_t>(0, ns - lastNs(tick) - CDeviceClock::StallNs));
            ASSERT_GE(playing, last) << c.Name << " tick " << tick;
            ASSERT_LE(playing, tick * 1024.0 + free) << c.Name << " tick " << tick;
            // The first frame heard may come late, and the line jumps to where the server says.
            const double jump = c.Server == EServer::Drops && ns == 3000000000 ? 8820 - 573 : 0;
            if (last > 0.0)
            {
                ASSERT_LE(playing - last, 1.05 * 44.1 + jump + 1e-6) << c.Name << " tick " << tick;
            }
            ASSERT_EQ(clock.LostAt(ns), stops && ns > dueNs + CDeviceClock::StallNs)
                << c.Name << " at " << ns;
            last = playing;
        }
        if (!stops)
        {
            const bool serverSays = c.Server != EServer::None && c.Server != EServer::Quiet;
            const double held = (serverSays ? 1024.0 + 573 : 2048.0) + c.Refill * 1024;
            EXPECT_NEAR(clock.PlayingAt(tickNs(tick - 1)), tick * 1024.0 - held, 2 * 44.1)
                << c.Name;
            continue;
        }
        const double expected = tick * 1024.0 + 44100e-9 * CDeviceClock::StallNs;
        EXPECT_NEAR(clock.PlayingAt(endNs), expected, 1.0) << c.Name;
        EXPECT_FALSE(clock.Callback(endNs)) << c.Name;
        EXPECT_NEAR(clock.PlayingAt(endNs), expected, 1.0) << c.Name;
    }

    // A server that says it holds a second of ours vouches for that second, then the stall time.
    CDeviceClock held;
    held.Start(1024, 44100, 0);
    held.Callback(0);
    held.Tick(1024, 0, true);
    held.Report(100000000, 44100, true);
    EXPECT_FALSE(held.LostAt(1100000000 + CDeviceClock::StallNs));
    EXPECT_TRUE(held.LostAt(1100000000 + CDeviceClock::StallNs + 1));
}
