#pragma once
#include <SDL/SDL.h>

// The keys every menu reads alike: Up or Shift+Tab move the highlight back, Down or Tab move it
// on, Enter (either one) takes the highlighted entry. No state; main thread only.
enum class EMenuKey
{
    None,
    Previous,
    Next,
    Choose
};

EMenuKey MenuKeyOf(const SDL_keysym& key);

// The entry highlighted after Previous or Next among `count` entries (`focus` -1 for none):
// round at both ends; Next from none gives the first, Previous from none the last. Any other
// key leaves `focus` as it is.
int MovedFocus(int focus, int count, EMenuKey key);
