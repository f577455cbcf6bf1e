#include "graphics/Label.h"

void CLabel::Create(CFontManager& fonts, const std::string& text, int x, int y, bool centred,
                    int size)
{
    Text.Create(fonts, text, x, y, centred, size);
}

void CLabel::Draw(CGraphics& graphics) const
{
    Text.Draw(graphics);
}
