#pragma once
#include "graphics/WindowScale.h"

#include <string>

// What the window system tells of the desktop the game's window is on: the part of it a window
// may take (without panels and docks, as the window manager publishes it in _NET_WORKAREA),
// the frame the window manager puts round the game's window (_NET_FRAME_EXTENTS), and where
// that frame stands. Read through Xlib on its own connection to the X server. Elsewhere
// (Wayland, SDL's dummy driver) the usable area is the desktop as SDL saw it at start, the
// frame is unknown and the compositor places the window. Main thread only.
class CDesktopArea
{
public:
    CDesktopArea() = default;
    virtual ~CDesktopArea() { Close(); }
    CDesktopArea(const CDesktopArea&) = delete;
    CDesktopArea& operator=(const CDesktopArea&) = delete;

    // Before the window exists: the desktop's size as SDL gives it, and the video driver.
    void Open(int desktopWidth, int desktopHeight, const std::string& videoDriver);
    void Close();

    WindowScale::SArea Usable() const;
    // Of the game's window once it is mapped; none before or without X11.
    WindowScale::SFrame Frame() const;
    // Moves the game's window, drawn width × height, so that its frame lies wholly on the
    // usable area; nothing where the window system places windows itself.
    void KeepOnScreen(int width, int height) const;

private:
    unsigned long GameWindow() const; // the X window SDL draws into, 0 without one

    void* Display = nullptr; // Xlib's Display, open for the run on X11
    WindowScale::SArea Desktop;
};
