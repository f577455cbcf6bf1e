#pragma once
#include <cstdint>

class CGraphics;
class CRandom;
struct SSceneryPictures;

// Debris thrown up where a missed weapon hits the ground: it rises 48 pixels in the first
// second and falls back in the next, drifting sideways. Times are the battle's scene-clock
// milliseconds. Main thread only.
class CRock
{
public:
    CRock(int x, int y, CRandom& random, int64_t nowMs);
    virtual ~CRock() = default;

    // Marks the debris done after 2 s.
    void Update(int64_t nowMs);
    bool IsDone() const { return Done; }
    void Draw(CGraphics& graphics, const SSceneryPictures& pictures, int64_t nowMs) const;

    struct SPlace
    {
        int X, Y, Frame;
    };
    // Where the debris and which boom picture are drawn at an age in milliseconds (0..2000).
    SPlace PlaceAt(uint32_t ageMs) const;
    int GetDriftX() const { return DriftX; }

private:
    int X;
    int Y;
    int DriftX;
    int Frame = 0;
    bool Done = false;
    int64_t StartTime;
};
