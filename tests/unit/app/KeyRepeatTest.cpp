#include "app/KeyRepeat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
SDL_Event KeyEvent(SDLKey key, bool down)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.keysym.sym = key;
    return event;
}

SDL_Event FocusLost()
{
    SDL_Event event{};
    event.type = SDL_ACTIVEEVENT;
    event.active.state = SDL_APPINPUTFOCUS;
    return event;
}
} // namespace

// A script of frames, each its events and the milliseconds since the last; the frames at which
// the held key acts again ('x'). The first repeat half a second after the press, then one every
// 30 ms on average whatever the frame rate, never two in a frame; a release, another key or the
// keyboard going to another window ends it.
TEST(KeyRepeat, AHeldMovingKeyActsAgainOnTheLoopsTimeAndATapOnce)
{
    const SDL_Event down = KeyEvent(SDLK_DOWN, true), up = KeyEvent(SDLK_DOWN, false),
                    enter = KeyEvent(SDLK_RETURN, true);
    struct SFrame
    {
        std::vector<SDL_Event> Events;
        int64_t ElapsedMs = 30;
    };
    // The frames so far, then `count` frames of `ms` with `events` in the first.
    const auto then =
        [](std::vector<SFrame> frames, int count, int64_t ms, std::vector<SDL_Event> events = {})
    {
        for (int i = 0; i < count; ++i)
            frames.push_back({i == 0 ? events : std::vector<SDL_Event>{}, ms});
        return frames;
    };
    const std::vector<SFrame> none;
    const std::string pressed(17, '.'); // the press and the half second after it
    struct SCase
    {
        const char* Name;
        std::vector<SFrame> Frames;
        std::string Repeats;
    };
    const SCase cases[] = {
        {"a tap", then(none, 21, 30, {down, up}), std::string(21, '.')},
        {"held, frames of 30 ms", then(none, 21, 30, {down}), pressed + "xxxx"},
        {"held, frames of 20 ms", then(none, 31, 20, {down}), std::string(25, '.') + "x.xx.x"},
        // A frame of two seconds (a folder read) gives one repeat, not sixty.
        {"held, a late frame", then(then(then(none, 1, 30, {down}), 1, 2000), 2, 30), ".xxx"},
        {"released", then(then(none, 19, 30, {down}), 5, 30, {up}), pressed + "xx....."},
        {"another key", then(then(none, 19, 30, {down}), 5, 30, {enter}), pressed + "xx....."},
        {"the keyboard elsewhere", then(then(none, 19, 30, {down}), 5, 30, {FocusLost()}),
         pressed + "xx....."},
        {"Enter held", then(none, 21, 30, {enter}), std::string(21, '.')},
        {"a release of another key",
         then(then(none, 19, 30, {down}), 2, 30, {KeyEvent(SDLK_UP, false)}), pressed + "xxxx"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CKeyRepeat repeat;
        std::string repeats;
        for (const SFrame& frame : c.Frames)
        {
            for (const SDL_Event& event : frame.Events)
                repeat.Observe(event, event.type == SDL_KEYDOWN &&
                                          CKeyRepeat::Moves(event.key.keysym.sym));
            SDL_Event again{};
            const bool acts = repeat.Advance(frame.ElapsedMs, again);
            repeats += acts ? 'x' : '.';
            if (acts)
            {
                EXPECT_EQ(again.type, SDL_KEYDOWN);
                EXPECT_EQ(again.key.keysym.sym, SDLK_DOWN);
            }
        }
        EXPECT_EQ(repeats, c.Repeats);
    }
}
