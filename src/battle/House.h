#pragma once
#include "battle/FloatingNote.h"

#include <cstdint>

class CSharedData;

// One house of the village under Minim. Its level shows the multiplier: 3 plain, 4 with
// notes, 5 dancing with notes; a miss nearby raises its shield for 2.3 s. Times are the
// battle's scene-clock milliseconds. Main thread only.
class CHouse
{
public:
    static constexpr int PlainLevel = 3;

    CHouse() = default;
    virtual ~CHouse() = default;

    void SetShared(CSharedData* shared);
    void SetPosition(int x, int y);
    void SetLevel(int level) { Level = level; }
    int GetLevel() const { return Level; }
    // Raises the shield when x (a missed weapon's column) is within 47 pixels of the centre.
    void Impact(int x, int64_t nowMs);
    // Lowers a shield whose time is over and moves the notes of a happy house.
    void Update(int64_t nowMs);
    void Draw(int64_t nowMs) const;
    bool IsShieldOn() const { return ShieldOn; }
    int GetX() const { return X; }

private:
    CSharedData* Shared = nullptr;
    int X = 0;
    int Y = 0;
    int Level = 3;
    int64_t ShieldStart = 0;
    bool ShieldOn = false;
    CFloatingNote Notes[2];
};
