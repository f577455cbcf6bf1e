#include "graphics/MenuItem.h"

#include "graphics/Graphics.h"

void CMenuItem::Create(CFontManager& fonts, const std::string& text, int x, int y, bool centred)
{
    Highlighted = false;
    Text.Create(fonts, text, x, y, centred, 2);
    MarkerX = Text.X - 49;
}

void CMenuItem::Draw(CGraphics& graphics, const CImage& marker) const
{
    Text.Draw(graphics);
    if (Highlighted)
        graphics.Draw(marker.GetSurface(), static_cast<int16_t>(MarkerX),
                      static_cast<int16_t>(Text.Y + 4));
}

bool CMenuItem::HitTest(int mouseX, int mouseY) const
{
    return Text.Contains(mouseX, mouseY, Text.X, Text.Y);
}
