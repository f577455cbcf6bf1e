#pragma once
#include <SDL/SDL.h>

#include <cstdint>
#include <string>
#include <vector>

class CGraphics;
class CSharedData;
class CTempHome;

// Pixels of a rectangle of the screen as 0xRRGGBB values, row by row.
std::vector<uint32_t> ScreenBlock(CGraphics& graphics, int x, int y, int width, int height);

// 0xRRGGBB of a pixel of any surface.
uint32_t SurfaceRgb(SDL_Surface* surface, int x, int y);

// Text as a menu renders it: size 0 small, 1 medium, 2 large; the caller frees it.
SDL_Surface* RenderText(CSharedData& shared, const std::string& text, int size);

// Counts the fully opaque pixels of black text that are not black on the screen when the
// text's top-left corner is at (x, y); `opaque` receives how many opaque pixels it has.
int MisplacedTextPixels(CGraphics& graphics, SDL_Surface* text, int x, int y, int& opaque);

// The names of the scenes started, in order, from the captured log: "Splash,Title,...".
std::string SceneSequence(const std::string& log);

// The settings file of a temporary home, or "" when it was never written.
std::string SettingsFile(const CTempHome& home);
