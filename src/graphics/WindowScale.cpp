#include "graphics/WindowScale.h"

#include "graphics/Graphics.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

namespace
{
const char* const Setting = "WindowScale";
constexpr double DesktopShare = 0.85;

void Store(float scale)
{
    char text[16];
    std::snprintf(text, sizeof text, "%g", double(scale));
    Settings::WriteText(Setting, text);
}

int IndexOf(float scale)
{
    const auto* found =
        std::find(std::begin(WindowScale::Steps), std::end(WindowScale::Steps), scale);
    return found == std::end(WindowScale::Steps) ? -1 : int(found - std::begin(WindowScale::Steps));
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
    const std::string stored = Settings::ReadText(Setting);
    float scale = 0.0f;
    if (std::sscanf(stored.c_str(), "%f", &scale) == 1 && IndexOf(scale) >= 0)
        return scale;
    scale = ForDesktop(desktopWidth, desktopHeight);
    Store(scale);
    return scale;
}

float Step(float scale, int direction)
{
    const int last = int(std::size(Steps)) - 1;
    const int index = std::clamp(std::max(IndexOf(scale), 0) + (direction > 0 ? 1 : -1), 0, last);
    Store(Steps[index]);
    return Steps[index];
}
} // namespace WindowScale
