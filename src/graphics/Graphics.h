#pragma once
#include "graphics/WindowSystem.h"

#include <SDL/SDL.h>

#include <cstdint>
#include <functional>

// The game's one 800 × 600 screen, windowed or full screen by the "FullScreen" setting; a
// window is drawn bigger by the "WindowScale" setting (WindowScale.h), the pointer mapped back
// to the screen, never bigger than the desktop's usable area and always placed wholly on it.
// Drawing is immediate and clipped by SDL. Main thread only.
class CGraphics
{
public:
    CGraphics() = default;
    virtual ~CGraphics() = default;
    CGraphics(const CGraphics&) = delete;
    CGraphics& operator=(const CGraphics&) = delete;

    bool Init();           // false when SDL or the video mode cannot be set up
    bool ApplyVideoMode(); // re-reads "FullScreen" and sets the mode again
    void Shutdown();
    // Switches the screen between window and full screen and saves "FullScreen"; a window
    // comes back at the stored scale. The screen surface stays the same, so every scene's
    // images stay valid. False (logged) when the video driver refused.
    bool ToggleFullScreen();
    // Draws the window one scale step bigger (direction > 0) or smaller, and saves it; a step
    // up that would not fit the desktop is not taken (logged). In full screen it does nothing.
    // The screen surface stays.
    void ScaleWindow(int direction);
    float GetWindowScale() const { return Scale; }
    bool IsFullScreen() const { return Screen && (Screen->flags & SDL_FULLSCREEN); }

    // Blits a whole surface, or a part of it, onto the screen; a null source draws nothing
    // and returns -1. Results are SDL's: 0 on success.
    int Draw(SDL_Surface* source, int16_t x, int16_t y);
    int DrawPart(SDL_Surface* source, int16_t x, int16_t y, const SDL_Rect& part);
    int DrawOnto(SDL_Surface* destination, SDL_Surface* source, int16_t x, int16_t y);
    void Flip();

    // The character a key press types. SDL's compatibility layer garbles every character UTF-8
    // writes in three bytes (Thai, Devanagari, Bengali, CJK, "€"…): those are read from the
    // keyboard's layout instead, where the window system tells it.
    char32_t TypedCharacter(const SDL_keysym& key) const;

    SDL_Surface* GetScreen() const { return Screen; }
    // A new opaque black picture of the screen's size in its format (the caller frees it), for
    // drawing on; null when SDL could not make one.
    static SDL_Surface* NewBlackScreen();

    static constexpr int Width = 800;
    static constexpr int Height = 600;

private:
    bool SetVideoMode();

    SDL_Surface* Screen = nullptr;
    float Wanted = 1.0f; // the stored scale
    float Scale = 1.0f;  // the one drawn: the largest that fits up to Wanted
    CWindowSystem Desktop;
};
