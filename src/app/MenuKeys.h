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
