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
constexpr int64_t AnimationStepMs = 125;
} // namespace

void CBattleScene::UpdateScenery(bool playing)
{
    const int64_t now = Clock.NowMs();
    if (now - Shared->AnimationTick > AnimationStepMs)
    {
        Shared->AnimationTick = now;
        Shared->NextAnimationFrame();
    }
    // The houses stand still on the loading and result screens; their notes still rise.
    if (!playing)
        Shared->AnimationFrame = 1;
    for (CHouse& house : Houses)
        house.Update(now);
    for (CCloud& cloud : Clouds)
        cloud.Update(now);
    if (playing)
        UpdateRocks();
}

void CBattleScene::UpdateRocks()
{
    // Rocks finish in creation order, so only the front is ever done.
    while (!Rocks.empty() && Rocks.front().IsDone())
        Rocks.pop_front();
    for (CRock& rock : Rocks)
        rock.Update(Clock.NowMs());
}

void CBattleScene::DrawScenery()
{
    for (const STreePlace& tree : TreePlaces)
        Graphics->Draw(TreeImage.GetSurface(), tree.X, tree.Y);
    for (const CHouse& house : Houses)
        house.Draw(Clock.NowMs());
}

void CBattleScene::DrawClouds()
{
    for (const CCloud& cloud : Clouds)
        cloud.Draw();
}

void CBattleScene::DrawRocks()
{
    for (const CRock& rock : Rocks)
        rock.Draw(Clock.NowMs());
}
