#include "FrameClock.h"

#include "app/SharedData.h"

#include <SDL/SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace
{
double UpdateCpu = 0;
double UpdateWall = 0;
double Slept = 0;
} // namespace

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double WallMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * double(values.size() - 1))];
}

double FrameClock::LastUpdateCpuMs()
{
    return UpdateCpu;
}

double FrameClock::LastUpdateWallMs()
{
    return UpdateWall;
}

double FrameClock::SleptWallMs()
{
    return Slept;
}

// On a busy machine the sleep oversleeps, which is not frame work.
extern "C" void SDL_Delay(Uint32 ms)
{
    using FDelay = void (*)(Uint32);
    static const auto real = reinterpret_cast<FDelay>(dlsym(RTLD_NEXT, "SDL_Delay"));
    const double wall = WallMs();
    real(ms);
    Slept += WallMs() - wall;
}

// Every Flip of the game's code lands here instead of in SDL, which is then called on.
extern "C" void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    using FUpdate = void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32);
    static const auto real = reinterpret_cast<FUpdate>(dlsym(RTLD_NEXT, "SDL_UpdateRect"));
    const double cpu = ThreadCpuMs(), wall = WallMs();
    real(screen, x, y, w, h);
    UpdateCpu = ThreadCpuMs() - cpu;
    UpdateWall = WallMs() - wall;
}

namespace
{
// Stands in front of the game's pacer: hears of every frame shown, then lets it pace.
class CWatchPacer : public CPacer
{
public:
    CWatchPacer(std::unique_ptr<CPacer> game, std::function<void()> shown)
        : Game(std::move(game)), OnShown(std::move(shown))
    {
    }
    void Wait(uint32_t delayMs, const FListen& listen) override { Game->Wait(delayMs, listen); }
    void Shown(CGraphics&) override { OnShown(); }

    std::unique_ptr<CPacer> Game;

private:
    std::function<void()> OnShown;
};
} // namespace

CFrameWatch::CFrameWatch(CSharedData& shared, std::function<void()> shown) : Shared(shared)
{
    Shared.Pacer = std::make_unique<CWatchPacer>(std::move(Shared.Pacer), std::move(shown));
}

CFrameWatch::~CFrameWatch()
{
    Shared.Pacer = std::move(static_cast<CWatchPacer&>(*Shared.Pacer).Game);
}
