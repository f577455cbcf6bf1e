#pragma once
#include <cstdint>

class CSharedData;
class CImage;

// A cloud crossing the sky at a random height and speed; half of the crossings are invisible
// pauses. A crossing takes 35 to 66 s. Main thread only.
class CCloud
{
public:
    CCloud() = default;
    virtual ~CCloud() = default;

    void Init(CSharedData* shared);
    void Restart();
    void ShiftTime(int64_t delta) { StartTime += delta; }
    // Draws the cloud where it is, then moves it by its age.
    void Update();

    double GetX() const { return X; }
    double GetVelocity() const { return Velocity; }
    bool IsVisible() const { return Visible; }

private:
    CSharedData* Shared = nullptr;
    double StartX = 0.0;
    double X = 0.0;
    double Velocity = 0.0; // pixels per 33 ms, negative when moving left
    int Y = 0;
    const CImage* Image = nullptr;
    bool Visible = false;
    int64_t StartTime = 0;
};
