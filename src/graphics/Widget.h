#pragma once
#include "graphics/Image.h"

#include <string>

class CFontManager;
class CGraphics;

// True when (mouseX, mouseY) lies in the rectangle: left and top edges in, right and bottom out.
inline bool HitRect(int mouseX, int mouseY, int left, int top, int width, int height)
{
    return left <= mouseX && mouseX < left + width && top <= mouseY && mouseY < top + height;
}

// The rendered text of a widget and its place on the screen. Hit tests include the top-left
// pixel and exclude the right and bottom edges.
struct SWidgetText
{
    CImage Image;
    int X = 0;
    int Y = 0;

    // Renders in black at the given size: 0 small, 1 medium, anything else large; x is the
    // centre of the text when centred (integer halving of the width).
    void Create(CFontManager& fonts, const std::string& text, int x, int y, bool centred, int size);
    bool Contains(int mouseX, int mouseY, int left, int top) const;
    void Draw(CGraphics& graphics) const;
};
