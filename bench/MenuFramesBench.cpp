// Menu frame work and pacing on the real engines, with whatever SDL video driver the
// environment selects (dummy, or x11 under Xvfb through bench/menu-frames):
//  - the splash's wall time (103 frames, each with its 30 ms sleep);
//  - per menu scene, the frame work: the main thread's CPU time per frame less the time of
//    the screen update inside Flip (the 30 ms sleep costs no CPU), median and 95th
//    percentile, against the 1 ms goal;
//  - the wall time of the screen update in those frames, to set beside the frame work.
// The screen update is timed by wrapping SDL_UpdateRect in this program only.
// Usage: menu_frames [FRAMES]   (default 300 frames per scene)
#include "app/Scene.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "menus/CreditsScene.h"
#include "menus/HowToPlayScene.h"
#include "menus/OptionsScene.h"
#include "menus/SplashScene.h"
#include "menus/TitleScene.h"
#include "platform/Log.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
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

double LastUpdateCpuMs = 0;
double LastUpdateWallMs = 0;
double SleptWallMs = 0; // all SDL_Delay calls of the game's code so far
} // namespace

// The frame sleep, wrapped likewise: on a busy machine it oversleeps, which is not frame work.
extern "C" void SDL_Delay(Uint32 ms)
{
    using FDelay = void (*)(Uint32);
    static const auto real = reinterpret_cast<FDelay>(dlsym(RTLD_NEXT, "SDL_Delay"));
    const double wall = WallMs();
    real(ms);
    SleptWallMs += WallMs() - wall;
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

namespace
{
void Push(SDL_Event event)
{
    SDL_PushEvent(&event);
}

SDL_Event Motion(int x, int y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = static_cast<Uint16>(x);
    event.motion.y = static_cast<Uint16>(y);
    return event;
}

struct SFrames
{
    std::vector<double> WorkCpu;    // ms per frame, screen update excluded
    std::vector<double> UpdateWall; // ms per frame
};

// Runs one scene for `frames` frames, feeding it the pointer positions in turn (one motion
// per frame, so markers come and go).
SFrames SceneFrames(CSharedData& shared, CScene* scene, int frames,
                    const std::vector<std::pair<int, int>>& pointer)
{
    SFrames result;
    std::vector<double>& cpu = result.WorkCpu;
    double last = -1;
    shared.Graphics->SetFrameObserver(
        [&](CGraphics&, uint64_t)
        {
            const double now = ThreadCpuMs();
            if (last >= 0)
            {
                cpu.push_back(now - last - LastUpdateCpuMs);
                result.UpdateWall.push_back(LastUpdateWallMs);
            }
            last = now;
            if (static_cast<int>(cpu.size()) >= frames)
            {
                SDL_Event quit{};
                quit.type = SDL_QUIT;
                Push(quit);
            }
            else if (!pointer.empty())
            {
                auto [x, y] = pointer[cpu.size() % pointer.size()];
                Push(Motion(x, y));
            }
        });
    scene->SetShared(&shared);
    delete scene->Run();
    delete scene;
    shared.Graphics->SetFrameObserver(nullptr);
    return result;
}

void MeasureSplash(CSharedData& shared)
{
    auto* splash = new CSplashScene();
    splash->SetShared(&shared);
    const double start = WallMs(), startCpu = ThreadCpuMs(), startSlept = SleptWallMs;
    CScene* next = splash->Run();
    const double elapsed = WallMs() - start;
    std::printf("splash: %.0f ms for 103 frames: %.2f ms per frame, of which %.2f ms asleep "
                "(30 asked) and %.2f ms of CPU\n",
                elapsed, elapsed / 103, (SleptWallMs - startSlept) / 103,
                (ThreadCpuMs() - startCpu) / 103);
    delete next;
    delete splash;
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    std::FILE* quiet = std::fopen("/dev/null", "w");
    SetLogStream(quiet); // the game's own log lines would clutter the report
    auto shared = std::make_unique<CSharedData>();
    if (!shared->Init())
    {
        std::fprintf(stderr, "menu_frames: the engines did not start\n");
        shared->Shutdown();
        return 1;
    }
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    std::printf("video driver: %s\n", driver ? driver : "(SDL's choice)");

    MeasureSplash(*shared);

    struct SCase
    {
        const char* Name;
        std::function<CScene*()> Make;
        std::vector<std::pair<int, int>> Pointer;
    };
    const std::vector<SCase> cases = {
        {"Splash", [] { return new CSplashScene(); }, {}}, // ends by itself after 103 frames
        {"Title",
         [] { return new CTitleScene(); },
         {{500, 362}, {500, 404}, {500, 446}, {500, 488}, {500, 530}, {100, 100}}},
        {"Options", [] { return new COptionsScene(); }, {{400, 520}, {100, 100}}},
        {"How To Play", [] { return new CHowToPlayScene(); }, {}},
        {"Credits", [] { return new CCreditsScene(); }, {{400, 450}, {620, 560}, {100, 100}}},
    };
    double worst = 0;
    for (const SCase& c : cases)
    {
        const SFrames run = SceneFrames(*shared, c.Make(), frames, c.Pointer);
        const double median = Percentile(run.WorkCpu, 0.5);
        worst = std::max(worst, median);
        std::printf("%-12s frame work median %.3f ms, p95 %.3f ms | Flip median %.3f ms, p95 "
                    "%.3f ms | %zu frames\n",
                    c.Name, median, Percentile(run.WorkCpu, 0.95), Percentile(run.UpdateWall, 0.5),
                    Percentile(run.UpdateWall, 0.95), run.WorkCpu.size());
    }
    std::printf("worst median frame work / 1 ms goal = %.2f (%s)\n", worst,
                worst <= 1.0 ? "met" : "NOT met");

    shared->Shutdown();
    SetLogStream(nullptr);
    std::fclose(quiet);
    return 0;
}
