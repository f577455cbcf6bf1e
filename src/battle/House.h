#pragma once
#include "battle/FloatingNote.h"
#include "battle/rules/BattleRules.h"

#include <cstdint>

class CGraphics;
class CRandom;
struct SSceneryPictures;

// One house of the village under Minim. Its level is the multiplier: plain at the multiplier
// a miss drops to, with notes above it, dancing with notes at the top; a miss nearby raises
// its shield for 2.3 s. Times are the battle's scene-clock milliseconds. Main thread only.
class CHouse
{
public:
    static constexpr int PlainLevel = MissMultiplier;

    CHouse() = default;
    virtual ~CHouse() = default;

    void SetPosition(int x, int y, CRandom& random);
    void SetLevel(int level) { Level = level; }
    int GetLevel() const { return Level; }
    // Raises the shield when x (a missed weapon's column) is within 47 pixels of the centre.
    void Impact(int x, int64_t nowMs);
    // Lowers a shield whose time is over and moves the notes of a happy house.
    void Update(int64_t nowMs, CRandom& random);
    // animationFrame: the village's step of four, which makes a dancing house hop.
    void Draw(CGraphics& graphics, const SSceneryPictures& pictures, int64_t nowMs,
              int animationFrame) const;
    bool IsShieldOn() const { return ShieldOn; }
    int GetX() const { return X; }

private:
    bool HasNotes() const { return Level > PlainLevel; }

    int X = 0;
    int Y = 0;
    int Level = PlainLevel;
    int64_t ShieldStart = 0;
    bool ShieldOn = false;
    CFloatingNote Notes[2];
};
