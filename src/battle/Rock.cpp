#include "battle/Rock.h"

#include "battle/SceneryPictures.h"
#include "graphics/Graphics.h"
#include "platform/Random.h"

#include <cmath>

namespace
{
constexpr int64_t FlightMs = 2000;
constexpr int64_t FlashMs = 50;
} // namespace

CRock::CRock(int x, int y, CRandom& random, int64_t nowMs)
    : X(x), Y(y), DriftX(random.Next() % 96 - 48), StartTime(nowMs)
{
}

CRock::SPlace CRock::PlaceAt(uint32_t ageMs) const
{
    if (ageMs < 1000)
    {
        const float s = float(ageMs) / 1000.0f;
        return {int(float(X) + float(DriftX) * s / 2.0f),
                int(float(Y) - std::pow(s, 0.3f) * 48.0f) - 8, int(s * 10.0f) % 8};
    }
    const float s = float(ageMs - 1000) / 1000.0f;
    return {int(float(X) + float(DriftX) * (s / 2.0f + 0.5f)),
            int(float(Y) - std::pow(1.0f - s, 0.5f) * 48.0f), int(s * 10.0f) % 8};
}

void CRock::Update(int64_t nowMs)
{
    const int64_t age = nowMs - StartTime;
    Done = age > FlightMs;
    if (!Done)
        Frame = PlaceAt(uint32_t(age)).Frame;
}

void CRock::Draw(CGraphics& graphics, const SSceneryPictures& pictures, int64_t nowMs) const
{
    const int64_t age = nowMs - StartTime;
    if (age > FlightMs)
        return;
    const SPlace place = PlaceAt(uint32_t(age));
    graphics.Draw(pictures.Booms[place.Frame].GetSurface(), int16_t(place.X), int16_t(place.Y));
    if (age < FlashMs) // the flash on the ground
        graphics.Draw(pictures.BoomBase.GetSurface(), int16_t(X - 8), int16_t(Y - 16));
}
