#pragma once
#include "graphics/Image.h"

#include <string>

// A clickable picture loaded with the colour key; its owner draws it.
class CPushButton
{
public:
    CPushButton() = default;
    virtual ~CPushButton() { Image.Free(); }
    CPushButton(const CPushButton&) = delete;
    CPushButton& operator=(const CPushButton&) = delete;

    void Create(const std::string& relativePath, int x, int y);
    const CImage& GetImage() const { return Image; }
    int GetX() const { return X; }
    int GetY() const { return Y; }
    bool HitTest(int mouseX, int mouseY) const;

private:
    CImage Image;
    int X = 0;
    int Y = 0;
};
