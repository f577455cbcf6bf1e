#include "graphics/Label.h"

void CLabel::Create(CSharedData* shared, const std::string& text, int x, int y, bool centred,
                    int size)
{
    Shared = shared;
    Text.Create(shared, text, x, y, centred, size);
}

void CLabel::Draw() const
{
    if (Shared)
        Text.Draw(Shared);
}
