#include "app/MenuList.h"

#include "graphics/MenuItem.h"

int CMenuList::Key(EMenuKey key, int count)
{
    if (key == EMenuKey::Choose && Focus >= 0)
        return Focus;
    if (count <= 0)
        Focus = -1;
    else if (key == EMenuKey::Choose)
        Focus = EnterStart;
    else if (key == EMenuKey::Next)
        Focus = Focus < 0 ? 0 : (Focus + 1) % count;
    else if (key == EMenuKey::Previous)
        Focus = Focus <= 0 ? count - 1 : Focus - 1;
    return -1;
}

void CMenuList::ShowOn(const std::vector<CMenuItem*>& entries) const
{
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i]->SetHighlighted(int(i) == Focus);
}
