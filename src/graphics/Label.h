#pragma once
#include "graphics/Widget.h"

// A line of black text rendered once.
class CLabel
{
public:
    CLabel() = default;
    virtual ~CLabel() { Text.Image.Free(); }
    CLabel(const CLabel&) = delete;
    CLabel& operator=(const CLabel&) = delete;

    // size: 0 small, 1 medium, anything else large; x is the centre when centred.
    void Create(CFontManager& fonts, const std::string& text, int x, int y, bool centred, int size);
    void Draw(CGraphics& graphics) const;
    int GetX() const { return Text.X; }
    int GetY() const { return Text.Y; }
    const CImage& GetImage() const { return Text.Image; }

private:
    SWidgetText Text;
};
