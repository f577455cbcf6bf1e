#pragma once
#include "graphics/WindowScale.h"

#include <cstdint>
#include <string>

// What the window system tells of the desktop the game's window is on and of its keyboard:
// the part of the desktop a window may take (without panels and docks, as the window manager
// publishes it in _NET_WORKAREA), the frame the window manager puts round the game's window
// (_NET_FRAME_EXTENTS), where that frame stands, and the character a key of the keyboard's
// layout types. Read through Xlib on its own connection to the X server. Elsewhere (Wayland,
// SDL's dummy driver) the usable area is the desktop as SDL saw it at start, the frame is
// unknown, the compositor places the window and keys are read as SDL gives them. Main thread
// only.
class CWindowSystem
{
public:
    CWindowSystem() = default;
    virtual ~CWindowSystem() { Close(); }
    CWindowSystem(const CWindowSystem&) = delete;
    CWindowSystem& operator=(const CWindowSystem&) = delete;

    // Before the window exists: the desktop's size as SDL gives it, and the video driver.
    void Open(int desktopWidth, int desktopHeight, const std::string& videoDriver);
    void Close();

    WindowScale::SArea Usable() const;
    // Of the game's window once it is mapped; none before or without X11.
    WindowScale::SFrame Frame() const;
    // Moves the game's window, drawn width × height, so that its frame lies wholly on the
    // usable area; nothing where the window system places windows itself.
    void KeepOnScreen(int width, int height) const;
    // The character the key with this X keycode types in the layout in use, shifted or not;
    // 0 when it types none or without X11.
    char32_t KeyCharacter(unsigned keycode, bool shift, bool capsLock, bool altGr) const;

private:
    unsigned long GameWindow() const; // the X window SDL draws into, 0 without one

    void* Display = nullptr; // Xlib's Display, open for the run on X11
    WindowScale::SArea Desktop;
};
