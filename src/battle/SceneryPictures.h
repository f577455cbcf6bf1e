#pragma once
#include "graphics/Image.h"

// The pictures of the world under the battle: the landscape, trees, houses and their shields,
// clouds, the debris of a miss. The houses' notes are the shared ones. Main thread only.
struct SSceneryPictures
{
    static constexpr int ShieldSteps = 12; // full, then fading out
    static constexpr int BoomFrames = 8;

    SSceneryPictures() = default;
    ~SSceneryPictures() { Free(); }
    SSceneryPictures(const SSceneryPictures&) = delete;
    SSceneryPictures& operator=(const SSceneryPictures&) = delete;

    void Load(const CImage& note1, const CImage& note2); // a missing picture is left undrawn
    void Free();

    CImage Background;
    CImage Tree;
    CImage House, HouseUp, HouseDown;
    CImage HouseShields[ShieldSteps];
    CImage Cloud1, Cloud2;
    CImage Booms[BoomFrames], BoomBase;
    const CImage* Note1 = nullptr;
    const CImage* Note2 = nullptr;
};
