#include "menus/TitledSky.h"

#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"

void LoadTitledSky(CImage& image, const char* title, CGraphics& graphics, CFontManager& fonts)
{
    image.Load("data/sky.png", false);
    if (SDL_Surface* text = fonts.RenderLarge(title, true))
    {
        graphics.DrawOnto(image.GetSurface(), text, static_cast<int16_t>(400 - text->w / 2), 20);
        SDL_FreeSurface(text);
    }
}
