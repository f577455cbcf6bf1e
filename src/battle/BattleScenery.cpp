#include "battle/BattleScene.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

namespace
{
struct STreePlace
{
    int16_t X, Y;
};
constexpr STreePlace TreePlaces[] = {{170, 425}, {190, 430}, {150, 432}, {450, 440}, {590, 445}};
constexpr uint32_t AnimationStepMs = 125;
} // namespace

void CBattleScene::DrawScenery(bool playing)
{
    for (const STreePlace& tree : TreePlaces)
        Graphics->Draw(TreeImage.GetSurface(), tree.X, tree.Y);
    const int64_t now = Timer->GetCounter();
    if (Timer->GetElapsedMs(Shared->AnimationTick, now) > AnimationStepMs)
    {
        Shared->AnimationTick = now;
        Shared->NextAnimationFrame();
    }
    // The houses stand still on the loading and result screens; their notes still rise.
    if (!playing)
        Shared->AnimationFrame = 1;
    for (CHouse& house : Houses)
        house.Draw();
}

void CBattleScene::DrawClouds()
{
    for (CCloud& cloud : Clouds)
        cloud.Update();
}

void CBattleScene::UpdateRocks()
{
    // Rocks finish in creation order, so only the front is ever done.
    while (!Rocks.empty() && Rocks.front().IsDone())
        Rocks.pop_front();
    for (CRock& rock : Rocks)
        rock.Update();
}
