#include "graphics/MenuItem.h"

#include "graphics/Graphics.h"

void CMenuItem::Create(CFontManager& fonts, const std::string& text, int x, int y, bool centred)
{
    Highlighted = false;
    Text.Create(fonts, text, x, y, centred, 2);
}

void CMenuItem::DrawMarker(CGraphics& graphics, const CImage& marker, int x, int y)
{
    graphics.Draw(marker.GetSurface(), static_cast<int16_t>(x - MarkerLeft),
                  static_cast<int16_t>(y + MarkerDown));
}

void CMenuItem::Draw(CGraphics& graphics, const CImage& marker) const
{
    Text.Draw(graphics);
    if (Highlighted)
        DrawMarker(graphics, marker, Text.X, Text.Y);
}

bool CMenuItem::HitTest(int mouseX, int mouseY) const
{
    return Text.Contains(mouseX, mouseY, Text.X, Text.Y);
}
