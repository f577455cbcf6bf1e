#include "app/Pacer.h"

#include "app/TimeManager.h"

#include <SDL/SDL.h>

void CSleepPacer::Wait(uint32_t delayMs, const FListen& listen)
{
    if (!listen)
    {
        SDL_Delay(delayMs);
        return;
    }
    // SDL 1.2 events carry no time of their own: read every millisecond, each is timed within
    // about a millisecond of the press.
    const int64_t start = Timer.GetCounter();
    while (listen() && Timer.GetElapsedMs(start, Timer.GetCounter()) < delayMs)
        SDL_Delay(1);
}
