#include "app/SharedData.h"
#include "musicselect/FolderItem.h"
#include "platform/Settings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

TEST(SharedData, FreshPlayerGetsTheDefaults)
{
    CTempHome home;
    CSharedData shared;
    EXPECT_TRUE(shared.CommonHighscores);
    EXPECT_FALSE(shared.PlayContinuous);
    EXPECT_EQ(shared.Speed, 2.0f);
    EXPECT_EQ(shared.SelectedItem, 0u);
    EXPECT_EQ(shared.AnimationFrame, 0);
    EXPECT_TRUE(shared.FolderItems.empty());
}

TEST(SharedData, ReadsSeparateHighscoresAndContinuousPlay)
{
    struct Case
    {
        int separate, continuous;
        bool common, playContinuous;
    };
    for (const Case& c :
         {Case{1, 1, false, true}, Case{0, 0, true, false}, Case{7, -1, false, true}})
    {
        CTempHome home;
        Settings::WriteNumber("SeparateHS", c.separate);
        Settings::WriteNumber("PlayContinuous", c.continuous);
        CSharedData shared;
        EXPECT_EQ(shared.CommonHighscores, c.common) << c.separate;
        EXPECT_EQ(shared.PlayContinuous, c.playContinuous) << c.continuous;
    }
}

TEST(SharedData, AnimationFrameCyclesThroughFour)
{
    CTempHome home;
    CSharedData shared;
    const int32_t expected[] = {1, 2, 3, 0, 1};
    for (int32_t frame : expected)
    {
        shared.NextAnimationFrame();
        EXPECT_EQ(shared.AnimationFrame, frame);
    }
}

TEST(SharedData, ClearFolderItemsEmptiesTheList)
{
    CTempHome home;
    CSharedData shared;
    shared.ClearFolderItems(); // empty: nothing to do
    shared.CurrentPath = "/music/";
    for (const char* name : {"..", "Sub", "a.mp3"})
        shared.FolderItems.push_back(std::make_unique<CFolderItem>(&shared, name, 0));
    shared.ClearFolderItems();
    EXPECT_TRUE(shared.FolderItems.empty());
}
