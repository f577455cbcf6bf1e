#pragma once

// How much bigger than the 800 × 600 screen the game's window is drawn (SDL's compatibility
// layer scales the picture and maps the pointer back), so that it is not a small island on a
// large desktop: chosen on a first start from the desktop's size, kept in the setting
// "WindowScale", changed by the player with Ctrl+Plus and Ctrl+Minus. Full screen fills the
// screen whatever it is. Main thread only.
namespace WindowScale
{
// The scales a player can step through, smallest first.
inline constexpr float Steps[] = {1.0f, 1.5f, 2.0f, 2.5f, 3.0f};

// The largest step whose window still fits in about 85 % of the desktop (1 when none does).
float ForDesktop(int desktopWidth, int desktopHeight);
// The stored step; on a first start (or a value that is none of the steps) the one for the
// desktop, which is stored then.
float Load(int desktopWidth, int desktopHeight);
// The next step up (direction > 0) or down from `scale`, stored; the same at either end.
float Step(float scale, int direction);
} // namespace WindowScale
