#include "app/Scene.h"
#include "app/SharedData.h"
#include "menus/SplashScene.h"
#include "platform/Log.h"

#include <cstdio>

// No arguments are read: the game is configured only through its settings file.
int main()
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Log("Launching : Korvane Zaduza\n");
    auto* shared = new CSharedData();
    if (!shared->Init())
    {
        shared->Shutdown();
        delete shared;
        return 1;
    }
    RunScenes(new CSplashScene(), shared);
    shared->Shutdown();
    delete shared;
    Log("The End\n");
    return 0;
}
