#include "app/CommandLine.h"
#include "app/Scene.h"
#include "app/SharedData.h"
#include "game/GameScenes.h"
#include "platform/AppPath.h"
#include "platform/DetachedWork.h"
#include "platform/Log.h"

#include <cstdio>

// Everything else is configured through the settings file.
int main(int argc, char** argv)
{
    CCommandLine command;
    command.Parse(argc, argv);
    if (command.Action != CCommandLine::Play)
        return command.Answer();

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Log("Launching : Korvane Zaduza\n");
    if (FindAppFolder().empty())
    {
        const auto tried = AppFolderCandidates();
        Log("Could not find the game's data: no data folder in %s or in %s\n", tried[0].c_str(),
            tried[1].c_str());
        return 1;
    }
    auto* shared = new CSharedData();
    shared->StartPath = command.StartPath;
    if (!shared->Init())
    {
        shared->Shutdown();
        delete shared;
        return 1;
    }
    AddGameScenes(shared->Scenes);
    RunScenes(shared->Scenes.Build(ESceneId::Splash), shared);
    shared->Shutdown();
    delete shared;
    Log("The End\n");
    return DetachedWork::ExitCode(0);
}
