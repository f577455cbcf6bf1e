#include "app/MenuList.h"

#include <gtest/gtest.h>

// Every menu's highlight: round at both ends, Enter takes the highlighted entry or, with none,
// highlights where the keys start.
TEST(MenuList, KeysMoveRoundAndEnterTakesTheHighlight)
{
    const struct
    {
        int Focus;
        EMenuKey Key;
        int Chosen;
        int FocusAfter;
    } cases[] = {
        {-1, EMenuKey::Next, -1, 0},   {-1, EMenuKey::Previous, -1, 3},
        {3, EMenuKey::Next, -1, 0},    {0, EMenuKey::Previous, -1, 3},
        {1, EMenuKey::Next, -1, 2},    {2, EMenuKey::Previous, -1, 1},
        {-1, EMenuKey::Choose, -1, 2}, {1, EMenuKey::Choose, 1, 1},
        {0, EMenuKey::Choose, 0, 0},   {2, EMenuKey::None, -1, 2},
    };
    for (const auto& c : cases)
    {
        CMenuList list(2);
        list.SetFocus(c.Focus);
        EXPECT_EQ(list.Key(c.Key, 4), c.Chosen) << c.Focus << " " << int(c.Key);
        EXPECT_EQ(list.GetFocus(), c.FocusAfter) << c.Focus << " " << int(c.Key);
    }
}
