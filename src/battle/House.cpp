#include "battle/House.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

#include <algorithm>
#include <cstdlib>

namespace
{
constexpr int64_t ShieldFullMs = 2000;
constexpr int64_t ShieldFadeStepMs = 25;
constexpr int64_t ShieldOffMs = 2300;
constexpr int64_t NoteStepMs = 150;
} // namespace

void CHouse::SetShared(CSharedData* shared)
{
    Shared = shared;
    for (CFloatingNote& note : Notes)
        note.SetShared(shared);
}

void CHouse::SetPosition(int x, int y)
{
    X = x;
    Y = y;
    const int r = Shared->Timer.Rand() % 20;
    // The two notes of a house are half a cycle apart.
    Notes[0].Init(x + 40, y + 16, r);
    Notes[1].Init(x + 40, y + 16, (r + 12) % 24);
}

void CHouse::Impact(int x, int64_t nowMs)
{
    if (std::abs(X + 32 - x) < 48)
    {
        ShieldOn = true;
        ShieldStart = nowMs;
    }
}

void CHouse::Update(int64_t nowMs)
{
    if (ShieldOn && nowMs - ShieldStart >= ShieldOffMs)
        ShieldOn = false;
    if (Level >= 4)
        for (CFloatingNote& note : Notes)
            note.Update(uint32_t(nowMs / NoteStepMs));
}

void CHouse::Draw(int64_t nowMs) const
{
    CGraphics& graphics = *Shared->Graphics;
    const CImage* image = &Shared->HouseImage;
    if (Level == 5 && Shared->AnimationFrame == 0)
        image = &Shared->HouseDownImage;
    else if (Level == 5 && Shared->AnimationFrame == 2)
        image = &Shared->HouseUpImage;
    graphics.Draw(image->GetSurface(), int16_t(X), int16_t(Y));

    if (ShieldOn)
    {
        // Full strength for 2 s, then 12 steps of 25 ms fading out.
        const int64_t age = nowMs - ShieldStart;
        const int64_t step =
            age < ShieldFullMs ? 0 : std::min<int64_t>((age - ShieldFullMs) / ShieldFadeStepMs, 11);
        graphics.Draw(Shared->HouseShieldImages[step].GetSurface(), int16_t(X), int16_t(Y));
    }

    if (Level >= 4)
        for (const CFloatingNote& note : Notes)
            note.Draw();
}
