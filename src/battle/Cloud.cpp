#include "battle/Cloud.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

void CCloud::Init(CSharedData* shared)
{
    Shared = shared;
    Restart();
}

void CCloud::Restart()
{
    CTimeManager& timer = Shared->Timer;
    StartTime = timer.GetCounter();
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

void CCloud::Update()
{
    if (Visible)
        Shared->Graphics->Draw(Image->GetSurface(), int16_t(int(X)), int16_t(Y));
    const uint32_t age = Shared->Timer.GetElapsedMs(StartTime, Shared->Timer.GetCounter());
    X = StartX + age * Velocity / 33;
    if ((Velocity > 0 && X > 800) || (Velocity <= 0 && X < -150))
        Restart();
}
