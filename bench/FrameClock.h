#pragma once
// Timing shared by the frame benchmarks. Linking FrameClock.cpp wraps SDL_UpdateRect (the
// screen update inside Flip) and SDL_Delay (the frame sleep) in the benchmark program, so a
// frame's own work can be told apart from presenting it and from sleeping.
#include "app/Pacer.h"

#include <functional>
#include <memory>
#include <vector>

class CSharedData;

double ThreadCpuMs();
double WallMs();
double Percentile(std::vector<double> values, double p); // p in 0..1

namespace FrameClock
{
double LastUpdateCpuMs();  // CPU time of the last screen update
double LastUpdateWallMs(); // wall time of the last screen update
double SleptWallMs();      // all frame sleeps so far
} // namespace FrameClock

// While it lives, `shown` is called after every frame the loop presents, before the game's own
// pacer spends the frame's pause.
class CFrameWatch
{
public:
    CFrameWatch(CSharedData& shared, std::function<void()> shown);
    ~CFrameWatch();
    CFrameWatch(const CFrameWatch&) = delete;
    CFrameWatch& operator=(const CFrameWatch&) = delete;

private:
    CSharedData& Shared;
};
