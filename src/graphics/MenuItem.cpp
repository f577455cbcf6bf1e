#include "graphics/MenuItem.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

void CMenuItem::Create(CSharedData* shared, const std::string& text, int x, int y, bool centred)
{
    Shared = shared;
    Highlighted = false;
    Text.Create(shared, text, x, y, centred, 2);
    MarkerX = Text.X - 49;
}

void CMenuItem::Draw() const
{
    if (!Shared)
        return;
    Text.Draw(Shared);
    if (Highlighted)
        Shared->Graphics->Draw(Shared->MenuSelectImage.GetSurface(), static_cast<int16_t>(MarkerX),
                               static_cast<int16_t>(Text.Y + 4));
}

bool CMenuItem::HitTest(int mouseX, int mouseY) const
{
    return Text.Contains(mouseX, mouseY, Text.X, Text.Y);
}
