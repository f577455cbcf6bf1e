#include "app/SharedData.h"
#include "app/SpeedSetting.h"
#include "app/Speeds.h"
#include "platform/Settings.h"
#include "songs/FolderItem.h"
#include "support/SceneRunner.h"
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
    EXPECT_TRUE(shared.FolderItems.empty());
    // The speed comes back as the player left it, Slow too.
    for (const SSpeed& speed : {Speeds[2], Speeds[1], Speeds[0]})
    {
        SpeedSetting::Save(speed.Value);
        EXPECT_EQ(CSharedData().Speed, speed.Value) << speed.Name;
    }
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
        Settings::WriteNumber(Settings::Key::SeparateHS, c.separate);
        Settings::WriteNumber(Settings::Key::PlayContinuous, c.continuous);
        CSharedData shared;
        EXPECT_EQ(shared.CommonHighscores, c.common) << c.separate;
        EXPECT_EQ(shared.PlayContinuous, c.playContinuous) << c.continuous;
    }
}

namespace
{
// Records the order in which entries are destroyed.
struct CCountedItem : CFolderItem
{
    CCountedItem(CSharedData* shared, const char* name, std::vector<std::string>& deleted)
        : CFolderItem(shared, name, 0), Deleted(deleted)
    {
    }
    ~CCountedItem() override { Deleted.push_back(GetName()); }
    std::vector<std::string>& Deleted;
};
} // namespace

TEST(SharedData, ClearFolderItemsDeletesEachEntryOnceLastFirst)
{
    CTempHome home;
    CSharedData shared;
    shared.ClearFolderItems(); // empty: nothing to do
    std::vector<std::string> deleted;
    for (const char* name : {"..", "Sub", "Other"})
        shared.FolderItems.push_back(std::make_unique<CCountedItem>(&shared, name, deleted));
    shared.ClearFolderItems();
    EXPECT_TRUE(shared.FolderItems.empty());
    EXPECT_EQ(deleted, (std::vector<std::string>{"Other", "Sub", ".."}));
}

TEST(SharedData, InitLoadsTheSharedImages)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    CSharedData& shared = harness.Shared();
    for (const CImage* image : {&shared.MenuSelectImage, &shared.CheckedImage,
                                &shared.UncheckedImage, &shared.Note1Image, &shared.Note2Image})
        EXPECT_NE(image->GetSurface(), nullptr);
    shared.FreeSharedImages();
    EXPECT_EQ(shared.Note2Image.GetSurface(), nullptr);
    EXPECT_EQ(shared.CheckedImage.GetSurface(), nullptr);
    shared.LoadSharedImages(); // as after a screen mode switch
    EXPECT_NE(shared.CheckedImage.GetSurface(), nullptr);
}
