#include "graphics/WindowScale.h"

#include "graphics/Graphics.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

namespace
{
constexpr double DesktopShare = 0.85;

int IndexOf(float scale)
{
    const auto* found =
        std::find(std::begin(WindowScale::Steps), std::end(WindowScale::Steps), scale);
    return found == std::end(WindowScale::Steps) ? -1 : int(found - std::begin(WindowScale::Steps));
}

// Where a span of `size` starting at `at` goes to lie within [from, from + room).
int Within(int at, int size, int from, int room)
{
    return std::max(from, std::min(at, from + room - size));
}
} // namespace

namespace WindowScale
{
float ForDesktop(int desktopWidth, int desktopHeight)
{
    float chosen = Steps[0];
    for (const float scale : Steps)
        if (CGraphics::Width * scale <= DesktopShare * desktopWidth &&
            CGraphics::Height * scale <= DesktopShare * desktopHeight)
            chosen = scale;
    return chosen;
}

float Load(int desktopWidth, int desktopHeight)
{
    const std::string stored = Settings::WindowScale();
    float scale = 0.0f;
    if (std::sscanf(stored.c_str(), "%f", &scale) == 1 && IndexOf(scale) >= 0)
        return scale;
    scale = ForDesktop(desktopWidth, desktopHeight);
    Store(scale);
    return scale;
}

void Store(float scale)
{
    char text[16];
    std::snprintf(text, sizeof text, "%g", double(scale));
    Settings::SetWindowScale(text);
}

float Next(float scale, int direction)
{
    const int last = int(std::size(Steps)) - 1;
    return Steps[std::clamp(std::max(IndexOf(scale), 0) + (direction > 0 ? 1 : -1), 0, last)];
}

bool Fits(float scale, const SArea& usable, const SFrame& frame)
{
    return int(CGraphics::Width * scale) + frame.Left + frame.Right <= usable.Width &&
           int(CGraphics::Height * scale) + frame.Top + frame.Bottom <= usable.Height;
}

float Fitting(float scale, const SArea& usable, const SFrame& frame)
{
    float chosen = Steps[0];
    for (const float step : Steps)
        if (step <= scale && Fits(step, usable, frame))
            chosen = step;
    return chosen;
}

SArea Placed(const SArea& window, const SArea& usable)
{
    return {Within(window.X, window.Width, usable.X, usable.Width),
            Within(window.Y, window.Height, usable.Y, usable.Height), window.Width, window.Height};
}
} // namespace WindowScale
