#include "app/SceneFactory.h"

#include "platform/Log.h"

CScene* CSceneFactory::Build(ESceneId id) const
{
    const FBuild& build = Builders[size_t(id)];
    if (!build)
    {
        Log("No scene %d to go on with\n", int(id));
        return nullptr;
    }
    return build();
}
