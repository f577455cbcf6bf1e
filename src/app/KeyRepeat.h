#pragma once
#include <SDL/SDL.h>

#include <cstdint>

// The one key-repeat rule of the lists and menus, kept on the frame loop's time instead of
// SDL's timer: a press acts once; a key that repeats (the screen says which: its moving keys,
// Moves) still held after DelayMs acts again every IntervalMs until it is released, another
// key is pressed or the window loses the keyboard. A press and its release read in the same frame
// act once. At most one repeat falls due a frame, so a frame that came late (a folder read)
// never releases a burst of moves. Main thread only.
class CKeyRepeat
{
public:
    static constexpr int64_t DelayMs = 500;   // the desktop's usual delay before a key repeats
    static constexpr int64_t IntervalMs = 30; // and its usual rate, about 33 a second

    CKeyRepeat() = default;
    virtual ~CKeyRepeat() = default;

    // Every event the screen is handed, in the order it is read; `repeats` for a press of a
    // key that acts again while held.
    void Observe(const SDL_Event& event, bool repeats);
    // The frame's time goes on by elapsedMs; true when the held key acts again now, its press
    // (with its modifiers) then in `repeat`.
    bool Advance(int64_t elapsedMs, SDL_Event& repeat);

    // The keys that move a highlight or a selection: the arrows, PageUp, PageDown, Tab.
    static bool Moves(SDLKey key);

private:
    bool Held = false;
    bool Fresh = false; // pressed since the last Advance
    SDL_Event Press{};
    int64_t HeldMs = 0; // since the press
    int64_t NextMs = 0; // when it acts again, from the press
};
