#include "app/Scene.h"

#include "app/SharedData.h"
#include "platform/Log.h"

void CScene::SetShared(CSharedData* shared)
{
    Shared = shared;
    Audio = shared->Audio;
    Graphics = shared->Graphics;
    Fonts = shared->Fonts;
    Timer = &shared->Timer;
}

void CScene::SetName(const std::string& name)
{
    Name = name;
}

void RunScenes(CScene* first, CSharedData* shared)
{
    CScene* scene = first;
    while (scene)
    {
        Log("Scene %s starting\n", scene->GetName().c_str());
        scene->SetShared(shared);
        CScene* next = scene->Run();
        Log("Scene %s ending\n", scene->GetName().c_str());
        delete scene;
        scene = next;
    }
}
