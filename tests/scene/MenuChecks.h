#pragma once
#include <SDL/SDL.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CGraphics;
class CSharedData;
class CTempHome;

// Pixels of a rectangle of the screen as 0xRRGGBB values, row by row.
std::vector<uint32_t> ScreenBlock(CGraphics& graphics, int x, int y, int width, int height);

// 0xRRGGBB of a pixel of any surface.
uint32_t SurfaceRgb(SDL_Surface* surface, int x, int y);

// Width and height of a text as the menus render it: size 0 small, 1 medium, 2 large.
std::pair<int, int> TextSize(CSharedData& shared, const std::string& text, int size);

// How many fully opaque pixels of the black text are not black on the screen when its
// top-left corner is at (x, y), or its centre at x when centred; -1 when it has none.
// Small text may have no fully opaque pixel: with minAlpha below 255, the pixels of at least
// that alpha count, and a screen pixel whose channels are all at most 256 - minAlpha is black.
int TextOffPlace(CGraphics& graphics, CSharedData& shared, const std::string& text, int size, int x,
                 int y, bool centred, uint8_t minAlpha = 255);

// The screen under the marker of a menu item whose text's top-left corner is (left, top).
std::vector<uint32_t> MarkerBlock(CGraphics& graphics, CSharedData& shared, int left, int top);

// The settings file of a temporary home, or "" when it was never written; without the window
// scale that the game's first start stores.
std::string SettingsFile(const CTempHome& home);
