#include "app/FrameLoop.h"

#include "app/FrameEvents.h"
#include "app/FrameHandler.h"
#include "app/FrameTime.h"
#include "app/KeyRepeat.h"
#include "app/Pacer.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "graphics/Graphics.h"

bool RunFrames(CFrameHandler& screen, CSharedData& shared)
{
    CFrameTime time(shared.Timer);
    CKeyRepeat repeat;
    bool closed = false;
    // Hands this frame's events over until the screen wants the rest kept for later.
    const auto readEvents = [&]
    {
        SDL_Event event;
        while (NextFrameEvent(*shared.Graphics, event, closed))
        {
            repeat.Observe(event,
                           event.type == SDL_KEYDOWN && screen.RepeatsKey(event.key.keysym.sym));
            if (!screen.HandleEvent(event))
                break;
        }
        return !closed && !screen.IsDone();
    };
    for (;;)
    {
        if (screen.IsDone())
            return true;
        if (!readEvents())
            return !closed;
        if (shared.Audio)
            shared.Audio->CheckDevice(); // in every scene, also while paused
        const int64_t elapsedMs = time.ElapsedMs();
        SDL_Event again;
        if (repeat.Advance(elapsedMs, again))
        {
            screen.HandleEvent(again);
            if (screen.IsDone())
                return true;
        }
        const CFrameHandler::EFrame frame = screen.Update(elapsedMs);
        if (frame == CFrameHandler::EFrame::Leave)
            return true;
        if (frame != CFrameHandler::EFrame::Hold)
        {
            screen.Draw(*shared.Graphics);
            shared.Graphics->Flip();
            shared.Pacer->Shown(*shared.Graphics);
        }
        shared.Pacer->Wait(screen.FrameDelayMs(),
                           screen.ListensBetweenFrames() ? CPacer::FListen(readEvents) : nullptr);
        if (closed)
            return false;
        if (frame == CFrameHandler::EFrame::ShowThenLeave)
            return true;
    }
}
