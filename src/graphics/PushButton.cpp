#include "graphics/PushButton.h"

#include "graphics/Widget.h"

void CPushButton::Create(const std::string& relativePath, int x, int y)
{
    X = x;
    Y = y;
    Image.Load(relativePath, true);
}

bool CPushButton::HitTest(int mouseX, int mouseY) const
{
    return HitRect(mouseX, mouseY, X, Y, Image.GetWidth(), Image.GetHeight());
}
