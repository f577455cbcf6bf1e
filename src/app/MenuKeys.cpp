#include "app/MenuKeys.h"

EMenuKey MenuKeyOf(const SDL_keysym& key)
{
    switch (key.sym)
    {
    case SDLK_UP:
        return EMenuKey::Previous;
    case SDLK_DOWN:
        return EMenuKey::Next;
    case SDLK_TAB:
        return (key.mod & KMOD_SHIFT) ? EMenuKey::Previous : EMenuKey::Next;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return EMenuKey::Choose;
    default:
        return EMenuKey::None;
    }
}

int MovedFocus(int focus, int count, EMenuKey key)
{
    if (count <= 0)
        return -1;
    if (key == EMenuKey::Next)
        return focus < 0 ? 0 : (focus + 1) % count;
    if (key == EMenuKey::Previous)
        return focus <= 0 ? count - 1 : focus - 1;
    return focus;
}
