#include "graphics/CheckedBox.h"

#include "graphics/Graphics.h"

void CCheckedBox::Create(CFontManager& fonts, const std::string& label, int x, int y)
{
    X = x;
    Y = y;
    Label.Create(fonts, label, x + 40, y, false, 1);
}

void CCheckedBox::Draw(CGraphics& graphics, const CImage& checked, const CImage& unchecked) const
{
    const CImage& box = Checked ? checked : unchecked;
    graphics.Draw(box.GetSurface(), static_cast<int16_t>(X), static_cast<int16_t>(Y));
    Label.Draw(graphics);
}

bool CCheckedBox::HitTest(int mouseX, int mouseY) const
{
    return Label.Contains(mouseX, mouseY, X, Y);
}
