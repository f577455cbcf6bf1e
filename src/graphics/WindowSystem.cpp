#include "graphics/WindowSystem.h"

#include "platform/Log.h"

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <vector>

namespace
{
::Display* X(void* display)
{
    return static_cast<::Display*>(display);
}

// An error of the X server (a window gone meanwhile) ends only the step that met it, instead of
// the default handler's ending the game: set for the time of one step, which syncs before it
// restores the handler that was there.
class CErrorTrap
{
public:
    explicit CErrorTrap(::Display* display)
        : Display(display), Previous(XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; }))
    {
    }
    ~CErrorTrap()
    {
        XSync(Display, False);
        XSetErrorHandler(Previous);
    }
    CErrorTrap(const CErrorTrap&) = delete;
    CErrorTrap& operator=(const CErrorTrap&) = delete;

private:
    ::Display* Display;
    XErrorHandler Previous;
};

// A CARDINAL[] property of a window; empty when it is not set.
std::vector<long> Cardinals(::Display* display, Window window, const char* name)
{
    const Atom property = XInternAtom(display, name, True);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (property != None &&
        XGetWindowProperty(display, window, property, 0, 64, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && format == 32)
        values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data)
        XFree(data);
    return values;
}
} // namespace

void CWindowSystem::Open(int desktopWidth, int desktopHeight, const std::string& videoDriver)
{
    Close();
    Desktop = {0, 0, desktopWidth, desktopHeight};
    if (videoDriver == "x11")
        Display = XOpenDisplay(nullptr);
}

void CWindowSystem::Close()
{
    if (Display)
        XCloseDisplay(X(Display));
    Display = nullptr;
}

WindowScale::SArea CWindowSystem::Usable() const
{
    if (!Display)
        return Desktop;
    ::Display* display = X(Display);
    const CErrorTrap trap(display);
    const Window root = DefaultRootWindow(display);
    // The work area of the desktop shown now (one per virtual desktop), on SDL's screen.
    const std::vector<long> area = Cardinals(display, root, "_NET_WORKAREA");
    const std::vector<long> current = Cardinals(display, root, "_NET_CURRENT_DESKTOP");
    const size_t at = current.empty() ? 0 : size_t(current[0]) * 4;
    if (area.size() < at + 4)
        return Desktop;
    const long left = std::max<long>(area[at], Desktop.X);
    const long top = std::max<long>(area[at + 1], Desktop.Y);
    const long right = std::min<long>(area[at] + area[at + 2], Desktop.X + Desktop.Width);
    const long bottom = std::min<long>(area[at + 1] + area[at + 3], Desktop.Y + Desktop.Height);
    if (right <= left || bottom <= top)
        return Desktop;
    return {int(left), int(top), int(right - left), int(bottom - top)};
}

unsigned long CWindowSystem::GameWindow() const
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!Display || SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

WindowScale::SFrame CWindowSystem::Frame() const
{
    const Window window = GameWindow();
    if (!window)
        return {};
    const CErrorTrap trap(X(Display));
    const std::vector<long> extents = Cardinals(X(Display), window, "_NET_FRAME_EXTENTS");
    if (extents.size() < 4)
        return {};
    return {int(extents[0]), int(extents[1]), int(extents[2]), int(extents[3])};
}

void CWindowSystem::KeepOnScreen(int width, int height) const
{
    const Window window = GameWindow();
    if (!window)
        return;
    ::Display* display = X(Display);
    const WindowScale::SFrame frame = Frame();
    const WindowScale::SArea usable = Usable();
    const CErrorTrap trap(display);
    int x = 0, y = 0;
    Window child = None;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child))
        return;
    const WindowScale::SArea outer{x - frame.Left, y - frame.Top, width + frame.Left + frame.Right,
                                   height + frame.Top + frame.Bottom};
    const WindowScale::SArea placed = WindowScale::Placed(outer, usable);
    if (placed == outer)
        return;
    // The position asked of the window manager is its frame's top-left corner.
    XMoveWindow(display, window, placed.X, placed.Y);
    Log("The window is moved to %d,%d to keep it on the desktop\n", placed.X, placed.Y);
}

char32_t CWindowSystem::KeyCharacter(unsigned keycode, bool shift, bool capsLock, bool altGr) const
{
    if (!Display || keycode < 8 || keycode > 255)
        return 0;
    ::Display* display = X(Display);
    const CErrorTrap trap(display);
    // The layout (XKB's group) in use now, with the modifiers the key was pressed with.
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return 0;
    const unsigned mods =
        (shift ? ShiftMask : 0u) | (capsLock ? LockMask : 0u) | (altGr ? Mod5Mask : 0u);
    KeySym keysym = NoSymbol;
    unsigned consumed = 0;
    if (!XkbLookupKeySym(display, KeyCode(keycode), XkbBuildCoreState(mods, state.group), &consumed,
                         &keysym) ||
        keysym == NoSymbol)
        return 0;
    return xkb_keysym_to_utf32(uint32_t(keysym));
}
