// Menu frame work and pacing on the real engines, with whatever SDL video driver the
// environment selects (dummy, or x11 under Xvfb through bench/menu-frames):
//  - the splash's wall time (103 frames, each with its 30 ms sleep);
//  - per menu scene, the frame work: the main thread's CPU time per frame less the time of
//    the screen update inside Flip (the 30 ms sleep costs no CPU), median and 95th
//    percentile, against the 1 ms goal;
//  - the wall time of the screen update in those frames, to set beside the frame work.
// The screen update is timed by FrameClock, which wraps SDL_UpdateRect in this program only.
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

#include "FrameClock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    const CFrameWatch watch(shared,
                            [&]
                            {
                                const double now = ThreadCpuMs();
                                if (last >= 0)
                                {
                                    cpu.push_back(now - last - FrameClock::LastUpdateCpuMs());
                                    result.UpdateWall.push_back(FrameClock::LastUpdateWallMs());
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
    return result;
}

void MeasureSplash(CSharedData& shared)
{
    auto* splash = new CSplashScene();
    splash->SetShared(&shared);
    const double start = WallMs(), startCpu = ThreadCpuMs(), startSlept = FrameClock::SleptWallMs();
    CScene* next = splash->Run();
    const double elapsed = WallMs() - start;
    std::printf("splash: %.0f ms for 103 frames: %.2f ms per frame, of which %.2f ms asleep "
                "(30 asked) and %.2f ms of CPU\n",
                elapsed, elapsed / 103, (FrameClock::SleptWallMs() - startSlept) / 103,
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
