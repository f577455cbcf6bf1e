#pragma once
#include <cstdint>

class CGraphics;
class CRandom;
struct SSceneryPictures;

// A cloud crossing the sky at a random height and speed; half of the crossings are invisible
// pauses. A crossing takes 35 to 66 s. Times are the battle's scene-clock milliseconds.
// Main thread only.
class CCloud
{
public:
    CCloud() = default;
    virtual ~CCloud() = default;

    void Restart(CRandom& random, int64_t nowMs);
    // Moves the cloud by its age; a new crossing begins once it is out of sight.
    void Update(int64_t nowMs, CRandom& random);
    void Draw(CGraphics& graphics, const SSceneryPictures& pictures) const;

    double GetX() const { return X; }
    double GetVelocity() const { return Velocity; }
    bool IsVisible() const { return Visible; }

private:
    double StartX = 0.0;
    double X = 0.0;
    double Velocity = 0.0; // pixels per 33 ms, negative when moving left
    int Y = 0;
    bool Second = false; // which of the two cloud pictures
    bool Visible = false;
    int64_t StartTime = 0;
};
