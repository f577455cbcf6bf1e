#include "battle/Rock.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

#include <cmath>

CRock::CRock(int x, int y, CSharedData* shared)
    : Shared(shared), X(x), Y(y), DriftX(shared->Timer.Rand() % 96 - 48),
      StartTime(shared->Timer.GetCounter())
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

void CRock::Update()
{
    const uint32_t age = Shared->Timer.GetElapsedMs(StartTime, Shared->Timer.GetCounter());
    if (age > 2000)
    {
        Done = true;
        return;
    }
    const SPlace place = PlaceAt(age);
    Frame = place.Frame;
    CGraphics& graphics = *Shared->Graphics;
    graphics.Draw(Shared->BoomImages[Frame].GetSurface(), int16_t(place.X), int16_t(place.Y));
    if (age < 50) // the flash on the ground
        graphics.Draw(Shared->BoomBaseImage.GetSurface(), int16_t(X - 8), int16_t(Y - 16));
}
