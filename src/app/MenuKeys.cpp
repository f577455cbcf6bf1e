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
