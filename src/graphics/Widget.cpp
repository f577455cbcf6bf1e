#include "graphics/Widget.h"

#include "graphics/FontManager.h"
#include "graphics/Graphics.h"

void SWidgetText::Create(CFontManager& fonts, const std::string& text, int x, int y, bool centred,
                         int size)
{
    Image.Attach(size == 0   ? fonts.RenderSmall(text, true)
                 : size == 1 ? fonts.RenderMedium(text, true)
                             : fonts.RenderLarge(text, true));
    X = centred ? x - Image.GetWidth() / 2 : x;
    Y = y;
}

bool SWidgetText::Contains(int mouseX, int mouseY, int left, int top) const
{
    return HitRect(mouseX, mouseY, left, top, Image.GetWidth(), Image.GetHeight());
}

void SWidgetText::Draw(CGraphics& graphics) const
{
    graphics.Draw(Image.GetSurface(), static_cast<int16_t>(X), static_cast<int16_t>(Y));
}
