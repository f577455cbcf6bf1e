#pragma once

// How much bigger than the 800 × 600 screen the game's window is drawn (SDL's compatibility
// layer scales the picture and maps the pointer back), so that it is not a small island on a
// large desktop: chosen on a first start from the desktop's size, kept in the setting
// "WindowScale", changed by the player with Ctrl+Plus and Ctrl+Minus. A window never grows
// past the desktop's usable area (without its panels), frame and title bar included: a stored
// scale too large for this desktop is drawn at the largest that fits, and stays stored for a
// larger one. Full screen fills the screen whatever it is. Main thread only.
namespace WindowScale
{
// The scales a player can step through, smallest first.
inline constexpr float Steps[] = {1.0f, 1.5f, 2.0f, 2.5f, 3.0f};

// A rectangle of the desktop, in its pixels.
struct SArea
{
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool operator==(const SArea&) const = default;
};

// What the window manager draws round the window (borders, title bar), in pixels.
struct SFrame
{
    int Left = 0, Right = 0, Top = 0, Bottom = 0;
};

// The largest step whose window still fits in about 85 % of the desktop (1 when none does).
float ForDesktop(int desktopWidth, int desktopHeight);
// The stored step; on a first start (or a value that is none of the steps) the one for the
// desktop, which is stored then.
float Load(int desktopWidth, int desktopHeight);
void Store(float scale);
// The next step up (direction > 0) or down from `scale`; the same at either end.
float Next(float scale, int direction);
// Whether the window at `scale`, with its frame, fits in the usable area.
bool Fits(float scale, const SArea& usable, const SFrame& frame);
// The largest step not above `scale` that fits; the smallest when none does.
float Fitting(float scale, const SArea& usable, const SFrame& frame);
// Where a window's frame (`window`: its outer rectangle) goes to lie wholly on the usable
// area, moved as little as it can be; one larger than the area keeps its top-left corner, and
// so its title bar, on it.
SArea Placed(const SArea& window, const SArea& usable);
} // namespace WindowScale
