#include "battle/BattleScenery.h"

#include "battle/rules/BattleRules.h"
#include "graphics/Graphics.h"

namespace
{
struct STreePlace
{
    int16_t X, Y;
};
constexpr STreePlace TreePlaces[] = {{170, 425}, {190, 430}, {150, 432}, {450, 440}, {590, 445}};
constexpr int64_t AnimationStepMs = 125;
constexpr int AnimationFrames = 4;
} // namespace

void CBattleScenery::Load(const CImage& note1, const CImage& note2)
{
    Pictures.Load(note1, note2);
}

void CBattleScenery::Lay(CRandom& random, int64_t nowMs)
{
    for (CCloud& cloud : Clouds)
        cloud.Restart(random, nowMs);
    for (int k = 0; k < HouseCount; ++k)
        Houses[k].SetPosition(90 + 60 * k, k % 2 == 0 ? 490 : 485, random);
}

void CBattleScenery::StartAnimation(int64_t nowMs)
{
    AnimationTick = nowMs;
}

void CBattleScenery::Update(int64_t nowMs, bool playing, CRandom& random)
{
    if (nowMs - AnimationTick > AnimationStepMs)
    {
        AnimationTick = nowMs;
        AnimationFrame = (AnimationFrame + 1) % AnimationFrames;
    }
    if (!playing)
        AnimationFrame = 1;
    for (CHouse& house : Houses)
        house.Update(nowMs, random);
    for (CCloud& cloud : Clouds)
        cloud.Update(nowMs, random);
    if (!playing)
        return;
    // Rocks finish in creation order, so only the front is ever done.
    while (!Rocks.empty() && Rocks.front().IsDone())
        Rocks.pop_front();
    for (CRock& rock : Rocks)
        rock.Update(nowMs);
}

void CBattleScenery::Answer(const SFrameOutcome& outcome, int multiplier, int64_t nowMs,
                            CRandom& random)
{
    if (outcome.Missed > 0)
    {
        Rocks.emplace_back(outcome.MissedX, Lane::Bottom, random, nowMs);
        SetHouseLevels(MissMultiplier);
        for (CHouse& house : Houses)
            house.Impact(outcome.MissedX, nowMs);
    }
    else if (outcome.MultiplierRose)
        SetHouseLevels(multiplier);
}

void CBattleScenery::SetHouseLevels(int level)
{
    for (CHouse& house : Houses)
        house.SetLevel(level);
}

void CBattleScenery::DrawSky(CGraphics& graphics) const
{
    graphics.Draw(Pictures.Background.GetSurface(), 0, 0);
}

void CBattleScenery::DrawGround(CGraphics& graphics, int64_t nowMs) const
{
    for (const STreePlace& tree : TreePlaces)
        graphics.Draw(Pictures.Tree.GetSurface(), tree.X, tree.Y);
    for (const CHouse& house : Houses)
        house.Draw(graphics, Pictures, nowMs, AnimationFrame);
}

void CBattleScenery::DrawClouds(CGraphics& graphics) const
{
    for (const CCloud& cloud : Clouds)
        cloud.Draw(graphics, Pictures);
}

void CBattleScenery::DrawRocks(CGraphics& graphics, int64_t nowMs) const
{
    for (const CRock& rock : Rocks)
        rock.Draw(graphics, Pictures, nowMs);
}
