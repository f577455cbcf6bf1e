#include "audio/backend/output/DeviceClock.h"
#include "audio/backend/output/PulseWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

// The device clock alone, fed callbacks of 1024 frames on made-up timelines and read every
// millisecond: never back, never past what was handed, no step above the time elapsed (plus
// the 5 % correction) once something is heard, and settled on the frame played: two granted
// buffers behind, or one plus what a sound server says it holds, plus a refill taken at once.
// A device that stops calling back counts as away once the main thread (reading every
// millisecond here) has seen it quiet for the stall time twice, the confirmation time apart:
// the clock goes on at the nominal rate from the frame heard when it last took audio (a step
// forward then), and a late callback changes nothing. A pause while nothing is audible, or one
// the server vouches for, is no loss.
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
    // The first millisecond after `ns`, where a reading every millisecond first sees it passed.
    const auto msAfter = [](int64_t ns) { return ns / 1000000 * 1000000 + 1000000; };
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
                if (clock.Callback(tickNs(tick), 1024) == tick * 1024)
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
            clock.Notice(ns);
            const double playing = clock.PlayingAt(ns);
            const bool away =
                stops && ns >= msAfter(dueNs + CDeviceClock::StallNs) + CDeviceClock::ConfirmNs;
            const double free = away ? 44100e-9 * double(ns - dueNs) : 0.0;
            ASSERT_GE(playing, last) << c.Name << " tick " << tick;
            ASSERT_LE(playing, tick * 1024.0 + free) << c.Name << " tick " << tick;
            // The first frame heard may come late, the line jumps to where the server says, and
            // to where the device went quiet plus the stall time once that is over.
            double jump = c.Server == EServer::Drops && ns == 3000000000 ? 8820 - 573 : 0;
            if (away && ns == msAfter(dueNs + CDeviceClock::StallNs) + CDeviceClock::ConfirmNs)
                jump = 44100e-9 * double(ns - dueNs);
            if (last > 0.0)
            {
                ASSERT_LE(playing - last, 1.05 * 44.1 + jump + 1e-6) << c.Name << " tick " << tick;
            }
            ASSERT_EQ(clock.IsAway(), away) << c.Name << " at " << ns;
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
        // Heard when it went quiet: what it had been handed less what it held (nothing when
        // that was silence or it never called back), then on at the nominal rate.
        const double held = c.Server == EServer::Hangs ? 1024.0 + 573 : 2048.0;
        const double quiet = c.Ticks == 0 ? 0.0 : c.Silent ? tick * 1024.0 : tick * 1024.0 - held;
        const double expected = quiet + 44100e-9 * double(endNs - dueNs);
        EXPECT_NEAR(clock.PlayingAt(endNs), expected, 2 * 44.1) << c.Name;
        const double ran = clock.PlayingAt(endNs);
        EXPECT_EQ(clock.Callback(endNs, 1024), -1) << c.Name;
        EXPECT_DOUBLE_EQ(clock.PlayingAt(endNs), ran) << c.Name;
    }

    // A server that says it holds a second of ours vouches for that second, then the stall time
    // (seen twice).
    CDeviceClock held;
    held.Start(1024, 44100, 0);
    held.Callback(0, 1024);
    held.Tick(1024, 0, true);
    held.Report(100000000, 44100, true);
    const int64_t vouchedNs = 1100000000 + CDeviceClock::StallNs;
    held.Notice(vouchedNs);
    held.Notice(vouchedNs + CDeviceClock::ConfirmNs);
    EXPECT_FALSE(held.IsAway());
    held.Notice(vouchedNs + 2 * CDeviceClock::ConfirmNs);
    EXPECT_TRUE(held.IsAway());
}

// A device that goes away and comes back, on the clock alone: fed 1024-frame callbacks for 2 s,
// then the case's outage, read every millisecond (and looked at, as the main thread does). Away,
// the clock runs on at the nominal rate from the frame heard when the device went quiet; callbacks
// of a device said gone do not count until it is opened again, nor do a sound server's answers
// while it is away. It is back at the third callback in a row at the device's pace, whose first
// frame is heard (after the buffer the device plays meanwhile) where the free-running clock stands
// then; from there it follows the callbacks as before, never back and with no step. A device late
// by less than the stall time never went away.
TEST(DeviceClock, ComesBackWhereItRanToOnceItPlaysSteadily)
{
    using korvane::backend::CDeviceClock;
    constexpr int64_t Ms = 1'000'000;
    const double period = 1024e9 / 44100; // ns
    struct SCase
    {
        const char* Name;
        int64_t GoneMs;   // the device or its server says it went away (0: never)
        int64_t QuietMs;  // no callback from here...
        int64_t ResumeMs; // ...until here, then on time again
        int64_t ReopenMs; // opened again (0: never)
        int64_t HoldsMs;  // after the first callback from ResumeMs, none for this long
        int64_t ServerMs; // a server answering, while returning, that it holds this long
        bool Away;        // counts as away at all
    };
    const SCase cases[] = {
        {"told gone, opened again", 2000, 2000, 4000, 4000, 0, 0, true},
        {"told gone, callbacks go on", 2000, 0, 0, 4000, 0, 0, true},
        {"a server holding the first buffer", 2000, 2000, 4000, 4000, 1900, 2000, true},
        {"stalled, then calls back by itself", 0, 2000, 3500, 0, 0, 0, true},
        {"late by less than the stall time", 0, 2000, 2990, 0, 0, 0, false},
        {"late by a little more, and calls back", 0, 2000, 3050, 0, 0, 0, false},
    };
    for (const SCase& c : cases)
    {
        CDeviceClock clock;
        clock.Start(1024, 44100, 0);
        std::vector<int64_t> ticks; // callback times
        for (double t = 0; t < 9000 * Ms; t += period)
        {
            const auto ns = int64_t(t);
            const bool quiet = c.QuietMs > 0 && ns >= c.QuietMs * Ms && ns < c.ResumeMs * Ms;
            if (!quiet)
                ticks.push_back(ns);
        }
        // The sound server holds the first buffer after the resume for HoldsMs.
        bool first = true;
        for (size_t i = 0; c.HoldsMs > 0 && i < ticks.size(); ++i)
            if (ticks[i] > c.ResumeMs * Ms && !std::exchange(first, false))
                ticks[i] += c.HoldsMs * Ms;
        size_t tick = 0;
        uint64_t handed = 0;
        double last = 0.0;
        int64_t foundNs = 0, backNs = 0;
        for (int64_t ns = 0; ns <= 9000 * Ms; ns += Ms)
        {
            if (c.GoneMs > 0 && ns == c.GoneMs * Ms)
                clock.Gone(ns);
            if (c.ReopenMs > 0 && ns == c.ReopenMs * Ms)
                clock.Reopened(1024, ns);
            if (c.ServerMs > 0 && ns % (100 * Ms) == 0 && clock.IsAway())
                clock.Report(ns, c.ServerMs * 44100 / 1000, true);
            for (; tick < ticks.size() && ticks[tick] <= ns; ++tick)
            {
                const double before = clock.PlayingAt(ticks[tick]);
                const bool wasAway = clock.IsAway();
                const int64_t first = clock.Callback(ticks[tick], 1024);
                if (first < 0)
                    continue;
                if (wasAway)
                {
                    backNs = ticks[tick];
                    // Heard after the buffer the device plays meanwhile, where the clock is then.
                    EXPECT_NEAR(double(first), before + 1024, 1.0) << c.Name;
                }
                EXPECT_GE(uint64_t(first), handed) << c.Name;
                handed = uint64_t(first) + 1024;
                clock.Tick(handed, ticks[tick], true);
            }
            clock.Notice(ns); // as the main thread does once a frame
            if (!foundNs && clock.IsAway())
                foundNs = ns;
            const double playing = clock.PlayingAt(ns);
            ASSERT_GE(playing, last) << c.Name << " at " << ns / Ms << " ms";
            // The one step: a stall found puts the clock where the time since it began took it.
            if (ns != foundNs || c.GoneMs > 0)
            {
                ASSERT_LE(playing - last, 1.05 * 44.1 + 1e-6) << c.Name << " at " << ns / Ms;
            }
            last = playing;
        }
        // Found when told, or once a read has seen the device quiet for StallNs and another
        // sees it still ConfirmNs later.
        int64_t lastBeforeQuiet = 0;
        for (const int64_t at : ticks)
            if (at <= c.QuietMs * Ms)
                lastBeforeQuiet = at;
        const int64_t stallFoundNs =
            (lastBeforeQuiet + CDeviceClock::StallNs) / Ms * Ms + Ms + CDeviceClock::ConfirmNs;
        EXPECT_EQ(foundNs, !c.Away ? 0 : c.GoneMs > 0 ? c.GoneMs * Ms : stallFoundNs) << c.Name;
        if (!c.Away)
        {
            EXPECT_FALSE(clock.IsAway()) << c.Name;
            continue;
        }
        // Back at the third callback at the device's pace; a device said gone only once it has
        // been opened again, whatever its callbacks do meanwhile.
        size_t steady = 0; // the first callback of those at the device's pace
        while (ticks[steady] < std::max(c.ResumeMs, c.ReopenMs) * Ms)
            ++steady;
        steady += c.HoldsMs > 0 ? 1 : 0;
        EXPECT_EQ(backNs, ticks[steady + CDeviceClock::ReturnBuffers - 1]) << c.Name;
        // Settled on the callbacks since.
        EXPECT_NEAR(clock.PlayingAt(ticks[tick - 1]), double(handed) - 2048, 2 * 44.1) << c.Name;
    }
}
