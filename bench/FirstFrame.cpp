// Starts the game's engines as the game does, shows one title-like frame (background and
// five menu items) and prints when that first frame was presented and the peak memory.
// Used by bench/startup-time, which measures from process start.
#include "app/Scene.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/MenuItem.h"

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace
{
class CFirstFrameScene : public CScene
{
public:
    CFirstFrameScene() { SetName("FirstFrame"); }
    CScene* Run() override
    {
        CImage background;
        background.Load("data/title.png", false);
        CMenuItem items[5];
        const char* texts[] = {"PLAY", "HOW TO PLAY", "OPTIONS", "CREDITS & INFO", "QUIT"};
        for (int i = 0; i < 5; ++i)
            items[i].Create(*Fonts, texts[i], 500, 350 + 42 * i, true);
        Graphics->Draw(background.GetSurface(), 0, 0);
        for (const CMenuItem& item : items)
            item.Draw(*Graphics, Shared->MenuSelectImage);
        Graphics->Flip();
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::fprintf(stderr, "first_flip_ns %lld\n",
                     static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        background.Free();
        return nullptr;
    }
};
} // namespace

int main()
{
    auto* shared = new CSharedData();
    if (!shared->Init())
        return 1;
    RunScenes(new CFirstFrameScene(), shared);
    shared->Shutdown();
    delete shared;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "peak_rss_kb %ld\n", usage.ru_maxrss);
    return 0;
}
