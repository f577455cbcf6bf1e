#pragma once
#include "graphics/Widget.h"

// A check box with a medium label 40 pixels to its right. Its hit rectangle starts at the
// box and has the label's size, so the far right end of the label does not hit.
class CCheckedBox
{
public:
    CCheckedBox() = default;
    virtual ~CCheckedBox() { Label.Image.Free(); }
    CCheckedBox(const CCheckedBox&) = delete;
    CCheckedBox& operator=(const CCheckedBox&) = delete;

    void Create(CFontManager& fonts, const std::string& label, int x, int y);
    void SetChecked(bool checked) { Checked = checked; }
    bool IsChecked() const { return Checked; }
    // checked, unchecked: the shared state's two box pictures.
    void Draw(CGraphics& graphics, const CImage& checked, const CImage& unchecked) const;
    bool HitTest(int mouseX, int mouseY) const;
    int GetX() const { return X; }
    int GetY() const { return Y; }
    const CImage& GetLabelImage() const { return Label.Image; }

private:
    int X = 0;
    int Y = 0;
    bool Checked = false;
    SWidgetText Label;
};
