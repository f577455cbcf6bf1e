#include "battle/Cloud.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

void CCloud::Init(CSharedData* shared, int64_t nowMs)
{
    Shared = shared;
    Restart(nowMs);
}

void CCloud::Restart(int64_t nowMs)
{
    CTimeManager& timer = Shared->Timer;
    StartTime = nowMs;
    Y = 75 + timer.Rand() % 150;
    Image = timer.Rand() % 2 == 1 ? &Shared->Cloud1Image : &Shared->Cloud2Image;
    Visible = timer.Rand() % 2 == 1;
    if (timer.Rand() % 2 == 1)
    {
        StartX = 800 + timer.Rand() % 50;
        Velocity = -(5 + timer.Rand() % 5) / 10.0;
    }
    else
    {
        StartX = -150 - timer.Rand() % 50;
        Velocity = (5 + timer.Rand() % 5) / 10.0;
    }
    X = StartX;
}

void CCloud::Update(int64_t nowMs)
{
    X = StartX + double(nowMs - StartTime) * Velocity / 33;
    if ((Velocity > 0 && X > 800) || (Velocity <= 0 && X < -150))
        Restart(nowMs);
}

void CCloud::Draw() const
{
    if (Visible)
        Shared->Graphics->Draw(Image->GetSurface(), int16_t(int(X)), int16_t(Y));
}
