// How long the loading screen waits between repaints: the slowest single DecodeStep over a
// whole analysis of one song. The song is $KORVANE_BENCH_SONG (bench/analysis-ratio sets it).
#include "audio/Audio.h"
#include "platform/Log.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

namespace
{
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void DecodeStepWholeSong(benchmark::State& state)
{
    const char* song = std::getenv("KORVANE_BENCH_SONG");
    if (!song)
    {
        state.SkipWithError("set KORVANE_BENCH_SONG to a song file");
        return;
    }
    SetLogStream(stderr);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    CAudio audio;
    if (!audio.Init())
    {
        state.SkipWithError("the audio engine could not start");
        return;
    }

    using Clock = std::chrono::steady_clock;
    double slowestMs = 0;
    double slowestCpuMs = 0; // not inflated by other programs taking the processor
    int32_t slowestAt = 0;
    int64_t steps = 0;
    for (auto _ : state)
    {
        if (!audio.OpenForAnalysis(song))
        {
            state.SkipWithError("cannot open the song");
            break;
        }
        audio.GetAnalysis().StartDecoding();
        for (int32_t progress = 0; progress < 1000; ++steps)
        {
            const auto start = Clock::now();
            const double cpuStart = ThreadCpuMs();
            progress = audio.GetAnalysis().DecodeStep();
            const std::chrono::duration<double, std::milli> took = Clock::now() - start;
            slowestCpuMs = std::max(slowestCpuMs, ThreadCpuMs() - cpuStart);
            if (took.count() > slowestMs)
            {
                slowestMs = took.count();
                slowestAt = progress; // which stage: scan < 100, pass 1 < 550, pass 2
            }
        }
        const auto start = Clock::now();
        audio.GetAnalysis().RemoveJumps();
        audio.GetAnalysis().BuildWeapons();
        const std::chrono::duration<double, std::milli> took = Clock::now() - start;
        state.counters["clean_up_ms"] = took.count();
        audio.CloseAnalysis();
    }
    state.counters["slowest_step_ms"] = slowestMs;
    state.counters["slowest_step_progress"] = slowestAt;
    state.counters["slowest_step_cpu_ms"] = slowestCpuMs;
    state.counters["steps"] = benchmark::Counter(double(steps), benchmark::Counter::kAvgIterations);
    audio.Shutdown();
}
} // namespace

BENCHMARK(DecodeStepWholeSong)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
