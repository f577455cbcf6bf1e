#pragma once
#include <cstdint>

class CGraphics;
class CRandom;
struct SSceneryPictures;

// A note rising above a happy house: one pixel every 150 ms through 24 pixels, drifting
// sideways, then again from the bottom. Main thread only.
class CFloatingNote
{
public:
    CFloatingNote() = default;
    virtual ~CFloatingNote() = default;

    void Init(int x, int y, int phase);
    // tick: the scene clock in steps of 150 ms. Moves the note.
    void Update(uint32_t tick, CRandom& random);
    void Draw(CGraphics& graphics, const SSceneryPictures& pictures) const;

    int GetX() const { return X; }
    int GetLastY() const { return LastY; }

private:
    bool Alternate = false;
    int BaseX = 0;
    int BaseY = 0;
    int Phase = 0;
    int X = 0;
    int LastY = 0;
    int Drift = 0;
};
