#include "app/FrameLoop.h"

#include "app/FrameEvents.h"
#include "app/FrameHandler.h"
#include "app/FrameTime.h"
#include "app/Pacer.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "graphics/Graphics.h"

bool RunFrames(CFrameHandler& screen, CSharedData& shared)
{
    CFrameTime time(shared.Timer);
    bool closed = false;
    // Hands this frame's events over until the screen wants the rest kept for later.
    const auto readEvents = [&]
    {
        SDL_Event event;
        while (NextFrameEvent(*shared.Graphics, event, closed))
            if (!screen.HandleEvent(event))
                break;
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
        const CFrameHandler::EFrame frame = screen.Update(time.ElapsedMs());
        if (frame == CFrameHandler::EFrame::Leave)
            return true;
        if (frame == CFrameHandler::EFrame::Show)
        {
            screen.Draw(*shared.Graphics);
            shared.Graphics->Flip();
        }
        shared.Pacer->Wait(screen.FrameDelayMs(),
                           screen.ListensBetweenFrames() ? CPacer::FListen(readEvents) : nullptr);
        if (closed)
            return false;
    }
}
