#pragma once
#include "app/MenuKeys.h"

#include <vector>

class CMenuItem;

// The keys' highlight over a menu's entries (-1 for none), the same in every menu: Up and Down
// (or Tab) move it round at both ends, Next from none to the first entry and Previous from none
// to the last; Enter takes the highlighted entry, and with none highlights where the keys
// start. The pointer takes the highlight over. Main thread only.
class CMenuList
{
public:
    explicit CMenuList(int enterStart = 0) : EnterStart(enterStart) {}
    virtual ~CMenuList() = default;

    int GetFocus() const { return Focus; }
    void SetFocus(int focus) { Focus = focus; }
    // The entry Enter takes among `count`, or -1 when the key only moved the highlight.
    int Key(EMenuKey key, int count);
    // The marker beside the highlighted entry and none beside the others.
    void ShowOn(const std::vector<CMenuItem*>& entries) const;

private:
    int EnterStart;
    int Focus = -1;
};
