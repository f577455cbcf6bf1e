#include "battle/FloatingNote.h"

#include "battle/SceneryPictures.h"
#include "graphics/Graphics.h"
#include "platform/Random.h"

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

void CFloatingNote::Update(uint32_t tick, CRandom& random)
{
    const int y = BaseY - int((uint32_t(Phase) + tick) % 24);
    int x = X;
    if (y != LastY)
    {
        if (y > LastY) // a new rise has begun
        {
            x = BaseX;
            Alternate = random.Next() % 4 == 0;
        }
        x += Drift > 0 ? 1 : -1;
        if (Drift == 0)
            Drift = random.Next() % 12 - 4;
        else
            Drift += Drift > 0 ? -1 : 1;
    }
    X = x;
    LastY = y;
}

void CFloatingNote::Draw(CGraphics& graphics, const SSceneryPictures& pictures) const
{
    const CImage* image = Alternate ? pictures.Note2 : pictures.Note1;
    if (image)
        graphics.Draw(image->GetSurface(), int16_t(X), int16_t(LastY));
}
