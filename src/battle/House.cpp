#include "battle/House.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

#include <cstdlib>

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

void CHouse::Impact(int x)
{
    if (std::abs(X + 32 - x) < 48)
    {
        ShieldOn = true;
        ShieldStart = Shared->Timer.GetCounter();
    }
}

void CHouse::Draw()
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
        const uint32_t age = Shared->Timer.GetElapsedMs(ShieldStart, Shared->Timer.GetCounter());
        if (age >= 2300)
            ShieldOn = false;
        else
        {
            // Full strength for 2 s, then 12 steps of 25 ms fading out.
            const uint32_t step = age < 2000 ? 0 : (age - 2000) / 25;
            graphics.Draw(Shared->HouseShieldImages[step].GetSurface(), int16_t(X), int16_t(Y));
        }
    }

    if (Level >= 4)
    {
        const uint32_t tick = Shared->Timer.GetMilliseconds() / 150;
        for (CFloatingNote& note : Notes)
            note.Update(tick);
    }
}
