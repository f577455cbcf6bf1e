#include "graphics/CheckedBox.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

void CCheckedBox::Create(CSharedData* shared, const std::string& label, int x, int y)
{
    Shared = shared;
    X = x;
    Y = y;
    Label.Create(shared, label, x + 40, y, false, 1);
}

void CCheckedBox::Draw() const
{
    if (!Shared)
        return;
    const CImage& box = Checked ? Shared->CheckedImage : Shared->UncheckedImage;
    Shared->Graphics->Draw(box.GetSurface(), static_cast<int16_t>(X), static_cast<int16_t>(Y));
    Label.Draw(Shared);
}

bool CCheckedBox::HitTest(int mouseX, int mouseY) const
{
    return Label.Contains(mouseX, mouseY, X, Y);
}
