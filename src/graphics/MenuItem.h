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
    // The marker beside a line of text whose top left is at (x, y): the keys' highlight on a
    // check box or a small entry looks as it does on a menu item.
    static void DrawMarker(CGraphics& graphics, const CImage& marker, int x, int y);
    const CImage& GetImage() const { return Text.Image; }

private:
    static constexpr int MarkerLeft = 49;
    static constexpr int MarkerDown = 4;

    bool Highlighted = false;
    SWidgetText Text;
};
