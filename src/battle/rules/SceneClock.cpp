#include "battle/rules/SceneClock.h"

void CSceneClock::Tick(int64_t elapsedMs)
{
    if (!PausedAtTick)
        Now += elapsedMs;
    PausedAtTick = Paused;
}
