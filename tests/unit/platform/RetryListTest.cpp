#include "platform/RetryList.h"

#include <gtest/gtest.h>

// A write kept for later stays kept until it goes through, whichever way it is tried again; a
// newer write under the same name replaces the older one.
TEST(RetryList, AWriteIsDroppedOnlyOnceItWentThrough)
{
    struct SCase
    {
        const char* Name;
        std::vector<bool> Outcomes; // what the kept write's tries give, in turn
        bool All;                   // tried by RetryAll, else by Retry("a")
        std::vector<bool> Returns;  // each try's answer
        bool HeldAfter;
    };
    const SCase cases[] = {
        {"goes through at once", {true}, false, {true}, false},
        {"fails, then goes through", {false, true}, false, {false, true}, false},
        {"fails every time", {false, false, false}, false, {false, false, false}, true},
        {"all: fails, then goes through", {false, true}, true, {false, true}, false},
        {"all: goes through at once", {true}, true, {true}, false},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CRetryList list;
        size_t tries = 0;
        list.Keep("a", [&]
                  { return tries < c.Outcomes.size() ? c.Outcomes[tries++] : (++tries, true); });
        bool otherWritten = false;
        list.Keep("b", [&] { return otherWritten; }); // another file, never tried by Retry("a")
        for (const bool expected : c.Returns)
        {
            if (c.All)
            {
                EXPECT_FALSE(list.RetryAll()) << "b is still kept";
                EXPECT_EQ(!list.Holds("a"), expected);
            }
            else
            {
                EXPECT_EQ(list.Retry("a"), expected);
            }
        }
        EXPECT_EQ(tries, c.Outcomes.size());
        EXPECT_EQ(list.Holds("a"), c.HeldAfter);
        EXPECT_TRUE(list.Holds("b"));
        otherWritten = true;
        EXPECT_TRUE(list.RetryAll()) << "both written now";
        EXPECT_TRUE(list.IsEmpty());
    }
    CRetryList list;
    EXPECT_TRUE(list.Retry("never kept"));
    int older = 0, newer = 0;
    list.Keep("a", [&] { return ++older, false; });
    list.Keep("a", [&] { return ++newer, true; });
    EXPECT_TRUE(list.Retry("a"));
    EXPECT_EQ(older, 0);
    EXPECT_EQ(newer, 1);
    EXPECT_TRUE(list.IsEmpty());
}
