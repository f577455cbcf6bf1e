#include "SceneFrameTiming.h"

#include "app/Scene.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace
{
double LastUpdateCpuMs = 0;
double LastUpdateWallMs = 0;
double SleptMs = 0;
} // namespace

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
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
    return values[static_cast<size_t>(p * (values.size() - 1))];
}

double SleptWallMs()
{
    return SleptMs;
}

// The frame sleep, wrapped likewise: on a busy machine it oversleeps, which is not frame work.
extern "C" void SDL_Delay(Uint32 ms)
{
    using FDelay = void (*)(Uint32);
    static const auto real = reinterpret_cast<FDelay>(dlsym(RTLD_NEXT, "SDL_Delay"));
    const double wall = WallMs();
    real(ms);
    SleptMs += WallMs() - wall;
}

// Every Flip of the game's code lands here instead of in SDL, which is then called on.
extern "C" void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    using FUpdate = void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32);
    static const auto real = reinterpret_cast<FUpdate>(dlsym(RTLD_NEXT, "SDL_UpdateRect"));
    const double cpu = ThreadCpuMs(), wall = WallMs();
    real(screen, x, y, w, h);
    LastUpdateCpuMs = ThreadCpuMs() - cpu;
    LastUpdateWallMs = WallMs() - wall;
}

void PushEvent(SDL_Event event)
{
    SDL_PushEvent(&event);
}

SDL_Event MotionEvent(int x, int y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = static_cast<Uint16>(x);
    event.motion.y = static_cast<Uint16>(y);
    return event;
}

SDL_Event ButtonEvent(int x, int y, uint8_t button, bool pressed)
{
    SDL_Event event{};
    event.type = pressed ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = static_cast<Uint16>(x);
    event.button.y = static_cast<Uint16>(y);
    return event;
}

SFrames SceneFrames(CSharedData& shared, CScene* scene, const FFrameScript& script)
{
    SFrames result;
    double last = -1;
    bool ended = false;
    shared.Graphics->SetFrameObserver(
        [&](CGraphics&, uint64_t)
        {
            const double now = ThreadCpuMs();
            if (last >= 0)
            {
                result.WorkCpu.push_back(now - last - LastUpdateCpuMs);
                result.UpdateWall.push_back(LastUpdateWallMs);
            }
            last = now;
            if (!ended && !script(result.WorkCpu.size()))
            {
                ended = true;
                SDL_Event quit{};
                quit.type = SDL_QUIT;
                PushEvent(quit);
            }
        });
    scene->SetShared(&shared);
    delete scene->Run();
    delete scene;
    shared.Graphics->SetFrameObserver(nullptr);
    return result;
}
