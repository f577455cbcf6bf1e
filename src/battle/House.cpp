#include "battle/House.h"

#include "battle/SceneryPictures.h"
#include "graphics/Graphics.h"
#include "platform/Random.h"

#include <algorithm>
#include <cstdlib>

namespace
{
constexpr int64_t ShieldFullMs = 2000;
constexpr int64_t ShieldFadeStepMs = 25;
constexpr int64_t ShieldOffMs = 2300;
constexpr int64_t NoteStepMs = 150;
} // namespace

void CHouse::SetPosition(int x, int y, CRandom& random)
{
    X = x;
    Y = y;
    const int r = random.Next() % 20;
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

void CHouse::Update(int64_t nowMs, CRandom& random)
{
    if (ShieldOn && nowMs - ShieldStart >= ShieldOffMs)
        ShieldOn = false;
    if (HasNotes())
        for (CFloatingNote& note : Notes)
            note.Update(uint32_t(nowMs / NoteStepMs), random);
}

void CHouse::Draw(CGraphics& graphics, const SSceneryPictures& pictures, int64_t nowMs,
                  int animationFrame) const
{
    const CImage* image = &pictures.House;
    if (Level == MaxMultiplier && animationFrame == 0)
        image = &pictures.HouseDown;
    else if (Level == MaxMultiplier && animationFrame == 2)
        image = &pictures.HouseUp;
    graphics.Draw(image->GetSurface(), int16_t(X), int16_t(Y));

    if (ShieldOn)
    {
        // Full strength for 2 s, then 12 steps of 25 ms fading out.
        const int64_t age = nowMs - ShieldStart;
        const int64_t step = age < ShieldFullMs
                                 ? 0
                                 : std::min<int64_t>((age - ShieldFullMs) / ShieldFadeStepMs,
                                                     SSceneryPictures::ShieldSteps - 1);
        graphics.Draw(pictures.HouseShields[step].GetSurface(), int16_t(X), int16_t(Y));
    }

    if (HasNotes())
        for (const CFloatingNote& note : Notes)
            note.Draw(graphics, pictures);
}
