#include "menus/TitledSky.h"

#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "graphics/OwnedSurface.h"

void LoadTitledSky(CImage& image, const char* title, CGraphics& graphics, CFontManager& fonts)
{
    image.Load("data/sky.png", false);
    if (const COwnedSurface text{fonts.RenderLarge(title, true)})
        graphics.DrawOnto(image.GetSurface(), text.get(), static_cast<int16_t>(400 - text->w / 2),
                          20);
}
