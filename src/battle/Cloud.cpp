#include "battle/Cloud.h"

#include "battle/SceneryPictures.h"
#include "graphics/Graphics.h"
#include "platform/Random.h"

void CCloud::Restart(CRandom& random, int64_t nowMs)
{
    StartTime = nowMs;
    Y = 75 + random.Next() % 150;
    Second = random.Next() % 2 != 1;
    Visible = random.Next() % 2 == 1;
    if (random.Next() % 2 == 1)
    {
        StartX = 800 + random.Next() % 50;
        Velocity = -(5 + random.Next() % 5) / 10.0;
    }
    else
    {
        StartX = -150 - random.Next() % 50;
        Velocity = (5 + random.Next() % 5) / 10.0;
    }
    X = StartX;
}

void CCloud::Update(int64_t nowMs, CRandom& random)
{
    X = StartX + double(nowMs - StartTime) * Velocity / 33;
    if ((Velocity > 0 && X > 800) || (Velocity <= 0 && X < -150))
        Restart(random, nowMs);
}

void CCloud::Draw(CGraphics& graphics, const SSceneryPictures& pictures) const
{
    if (Visible)
        graphics.Draw((Second ? pictures.Cloud2 : pictures.Cloud1).GetSurface(), int16_t(int(X)),
                      int16_t(Y));
}
