#include "battle/FloatingNote.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

void CFloatingNote::Init(int x, int y, int phase)
{
    BaseX = x;
    BaseY = y;
    Phase = phase;
    X = x;
    LastY = 0;
    Drift = 0;
    Alternate = false;
}

void CFloatingNote::Update(uint32_t tick)
{
    const int y = BaseY - int((uint32_t(Phase) + tick) % 24);
    int x = X;
    if (y != LastY)
    {
        if (y > LastY) // a new rise has begun
        {
            x = BaseX;
            Alternate = Shared->Timer.Rand() % 4 == 0;
        }
        x += Drift > 0 ? 1 : -1;
        if (Drift == 0)
            Drift = Shared->Timer.Rand() % 12 - 4;
        else
            Drift += Drift > 0 ? -1 : 1;
    }
    X = x;
    LastY = y;
}

void CFloatingNote::Draw() const
{
    const CImage& image = Alternate ? Shared->Note2Image : Shared->Note1Image;
    Shared->Graphics->Draw(image.GetSurface(), int16_t(X), int16_t(LastY));
}
