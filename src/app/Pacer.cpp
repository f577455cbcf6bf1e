#include "app/Pacer.h"

#include "app/TimeManager.h"

#include <SDL/SDL.h>

void CSleepPacer::Wait(uint32_t delayMs, const FListen& listen)
{
    if (!listen)
    {
        // No pause at all between analysis steps: even SDL_Delay(0) sleeps a tenth of a
        // millisecond, which a thousand steps and more turn into seconds of loading.
        if (delayMs > 0)
            SDL_Delay(delayMs);
        return;
    }
    // SDL 1.2 events carry no time of their own: read every millisecond, each is timed within
    // about a millisecond of the press.
    const int64_t start = Timer.GetCounter();
    while (listen() && Timer.GetElapsedMs(start, Timer.GetCounter()) < delayMs)
        SDL_Delay(1);
}
