#pragma once
#include "graphics/Widget.h"

// A clickable line of large black text; when highlighted, the marker (the shared state's
// picture) is drawn 49 pixels left of the text and 4 pixels lower.
class CMenuItem
{
public:
    CMenuItem() = default;
    virtual ~CMenuItem() { Text.Image.Free(); }
    CMenuItem(const CMenuItem&) = delete;
    CMenuItem& operator=(const CMenuItem&) = delete;

    void Create(CFontManager& fonts, const std::string& text, int x, int y, bool centred);
    void Draw(CGraphics& graphics, const CImage& marker) const;
    void SetHighlighted(bool highlighted) { Highlighted = highlighted; }
    bool IsHighlighted() const { return Highlighted; }
    bool HitTest(int mouseX, int mouseY) const;
    int GetX() const { return Text.X; }
    int GetY() const { return Text.Y; }
    int GetMarkerX() const { return MarkerX; }
    const CImage& GetImage() const { return Text.Image; }

private:
    bool Highlighted = false;
    SWidgetText Text;
    int MarkerX = 0;
};
