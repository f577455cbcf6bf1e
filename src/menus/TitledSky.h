#pragma once

class CFontManager;
class CGraphics;
class CImage;

// The sky picture with a screen's title painted in, large and centred at the top: the
// background of Options and of the audio sync screen.
void LoadTitledSky(CImage& image, const char* title, CGraphics& graphics, CFontManager& fonts);
