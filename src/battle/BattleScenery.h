#pragma once
#include "battle/Cloud.h"
#include "battle/House.h"
#include "battle/Rock.h"
#include "battle/SceneryPictures.h"

#include <cstdint>
#include <list>

class CGraphics;
class CImage;
class CRandom;
struct SFrameOutcome;

// The world under and above the battle: the village of ten houses (their levels follow the
// multiplier, their shields the misses nearby), the trees, the clouds, and the debris a missed
// weapon throws up, with their pictures and the village's four-step animation. Times are the
// battle's scene-clock milliseconds; `random` is the game's one random generator.
// Main thread only.
class CBattleScenery
{
public:
    static constexpr int HouseCount = 10;
    static constexpr int CloudCount = 5;

    CBattleScenery() = default;
    virtual ~CBattleScenery() = default;
    CBattleScenery(const CBattleScenery&) = delete;
    CBattleScenery& operator=(const CBattleScenery&) = delete;

    void Load(const CImage& note1, const CImage& note2);
    // Houses in their places and clouds on their way, from the random generator.
    void Lay(CRandom& random, int64_t nowMs);
    // Starts the village's animation at nowMs.
    void StartAnimation(int64_t nowMs);
    // Houses stand still on the loading and result screens (their notes still rise); rocks
    // move only while a song is played.
    void Update(int64_t nowMs, bool playing, CRandom& random);
    // What the rules' frame did: a miss throws one rock at the last missed column and drops
    // the houses to plain, shielding those near it; a risen multiplier raises them to it.
    void Answer(const SFrameOutcome& outcome, int multiplier, int64_t nowMs, CRandom& random);
    void SetHouseLevels(int level);

    // The landscape under everything; trees and houses; then the clouds and the debris, drawn
    // at their places in a frame.
    void DrawSky(CGraphics& graphics) const;
    void DrawGround(CGraphics& graphics, int64_t nowMs) const;
    void DrawClouds(CGraphics& graphics) const;
    void DrawRocks(CGraphics& graphics, int64_t nowMs) const;

    const CHouse& GetHouse(int index) const { return Houses[index]; }
    const std::list<CRock>& GetRocks() const { return Rocks; }
    int GetAnimationFrame() const { return AnimationFrame; }

private:
    SSceneryPictures Pictures;
    CHouse Houses[HouseCount];
    CCloud Clouds[CloudCount];
    std::list<CRock> Rocks;
    int64_t AnimationTick = 0; // scene-clock ms of the last step
    int AnimationFrame = 0;    // 0..3
};
