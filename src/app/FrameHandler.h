#pragma once
#include <SDL/SDL.h>

#include <cstdint>

class CGraphics;

// What a screen answers to the one frame loop (RunFrames). Each frame, in this order:
//  1. IsDone: a screen that decided to leave while its last frame was shown goes now; the
//     events still queued are left for the next screen;
//  2. HandleEvent for each pending event, until it returns false (the rest wait for the next
//     frame); the close button ends the loop;
//  3. IsDone again: a decision taken on an event leaves at once, nothing more is drawn;
//  4. the held key's repeat when one falls due (CKeyRepeat, for the keys RepeatsKey names),
//     then IsDone again;
//  5. Update with the milliseconds since the last one; it says whether the frame shows a new
//     picture, nothing new, that the screen leaves now without drawing it, or leaves once this
//     frame is shown and its pause is over;
//  6. Draw, which changes nothing, and the picture is presented;
//  7. the pacer waits FrameDelayMs (reading events meanwhile for a screen that listens).
// Main thread only.
class CFrameHandler
{
public:
    enum class EFrame
    {
        Show,  // draw and present this frame
        Hold,  // nothing new to show: no drawing, no present
        Leave, // the screen is done: the loop ends before drawing
        // The screen is done once this frame is shown: a menu's choice is still drawn,
        // and the loop ends after the frame's pause.
        ShowThenLeave,
    };

    virtual ~CFrameHandler() = default;

    virtual bool HandleEvent(const SDL_Event& event) = 0;
    virtual EFrame Update(int64_t elapsedMs) = 0;
    virtual void Draw(CGraphics& graphics) const = 0;
    virtual bool IsDone() const = 0;
    // The pause after a frame: 30 ms in the menus and the browser, 20 ms while a song plays
    // and on the result screen, 33 ms under the battle's pause, none between analysis steps.
    virtual uint32_t FrameDelayMs() const = 0;
    // True for a screen that times events between frames itself: the pacer hands each one to
    // HandleEvent as soon as it is read, about every millisecond, while it waits.
    virtual bool ListensBetweenFrames() const { return false; }
    // True for a key that acts again and again while held (CKeyRepeat): the moving keys of the
    // lists and menus (CKeyRepeat::Moves). The battle's keys act once a press.
    virtual bool RepeatsKey(SDLKey) const { return false; }
};

// Fixed pauses after a frame is shown; frame-counted animations run at these rates.
constexpr uint32_t MenuFrameDelayMs = 30;   // menus and the music browser
constexpr uint32_t PlayFrameDelayMs = 20;   // a song being played, the result screen
constexpr uint32_t PausedFrameDelayMs = 33; // the battle's pause overlay
