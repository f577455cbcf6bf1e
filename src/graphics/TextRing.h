#pragma once
#include <SDL/SDL.h>

// How close strokes are, in pixels, for the space between them to count as inside the text.
constexpr int RingInsideReach = 3;

// A one-pixel ring around a line of text that keeps it readable over bright scenery, for a
// line drawn with fallback fonts: the ink grown outwards by a pixel, but never into a pixel
// with strokes on both sides of it within RingInsideReach in its row or in its column, so
// that small glyphs keep their insides open. A new surface two pixels wider and higher than
// the text, in `colour`, to be drawn one pixel up and left of it; null for a null text.
// Owned by the caller.
SDL_Surface* OutsideRing(SDL_Surface* text, SDL_Color colour);
