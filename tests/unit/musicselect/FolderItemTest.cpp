#include "songs/FolderItem.h"
#include "TestHelpers.h"
#include "app/SharedData.h"
#include "musicselect/SongTrouble.h"
#include "platform/Utf8.h"
#include "songs/Highscores.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{
TEST(FolderItemTest, SafeFileNameReplacesEveryCharacterAFileNameMayNotHold)
{
    CSharedData shared;
    const struct
    {
        std::string Title;
        std::string Safe;
    } cases[] = {
        {"AC/DC: Live?", "AC_DC_ Live_"},
        {"a\\b*c\"d<e>f|g", "a_b_c_d_e_f_g"},
        {"Plain title", "Plain title"},
        {"Déjà vu – 曲", "Déjà vu – 曲"},
        {std::string("nul\0byte", 8), "nul_byte"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"", ""},
    };
    for (const auto& c : cases)
    {
        CFolderItem item(&shared, "x.mp3", CFolderItem::SongKind);
        item.Title = c.Title;
        EXPECT_EQ(item.MakeSafeFileName(), c.Safe) << c.Title;
    }
}

TEST(FolderItemTest, BestRatingSlotIsChosenByExactSpeed)
{
    CSharedData shared;
    CFolderItem item(&shared, "x.mp3", CFolderItem::SongKind);
    item.BestRatings[0] = 11;
    item.BestRatings[1] = 22;
    item.BestRatings[2] = 33;
    const struct
    {
        float Speed;
        int32_t Rating;
    } cases[] = {{2.0f, 11},
                 {1.2f, 22},
                 {0.8f, 33},
                 {1.0f, 33},
                 {static_cast<float>(1.2000001), 22},
                 {1.2000002f, 33},
                 {2.0000002f, 33}};
    for (const auto& c : cases)
    {
        shared.Speed = c.Speed;
        EXPECT_EQ(item.GetBestRating(), c.Rating) << c.Speed;
    }
}

TEST(FolderItemTest, Utf8CutsNeverSplitACharacter)
{
    const std::string text = "a\xC3\xA9\xE6\x9B\xB2\xF0\x9F\x8E\xB5z"; // a é 曲 🎵 z
    const size_t expected[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 11, 11};
    for (size_t max = 0; max < std::size(expected); ++max)
        EXPECT_EQ(Utf8CutPoint(text, max), expected[max]) << max;
    EXPECT_EQ(LimitCharacters(text, 3), "a\xC3\xA9\xE6\x9B\xB2");
    EXPECT_EQ(LimitCharacters(text, 99), text);
    const std::string stray = "\x80\x80\x80\x80\x80\x80";
    EXPECT_EQ(Utf8CutPoint(stray, 5), 5u);
    EXPECT_EQ(LimitCharacters(stray, 2).size(), 2u);
}

TEST(FolderItemTest, HighscoreNamesFitTheFileSystemAndKeepTheLength)
{
    const struct
    {
        std::string Safe;
        int64_t Length;
        size_t Max;
        std::string Name;
    } cases[] = {
        {"Night Drive", 1000, 255, "Night Drive-1000.hs"},
        {"AC_DC", -1, 255, "AC_DC--1.hs"},
        {"", 5, 255, "-5.hs"},
        {"..", 7, 255, "..-7.hs"},
        {std::string(300, 'x'), 123456789, 255, std::string(242, 'x') + "-123456789.hs"},
        {"\xE6\x9B\xB2\xE6\x9B\xB2", 1, 10, "\xE6\x9B\xB2-1.hs"}, // 曲曲 cut to 曲
        {"long", INT64_MIN, 8, "-" + std::to_string(INT64_MIN) + ".hs"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HighscoreFileName(c.Safe, c.Length, c.Max), c.Name) << c.Safe;
}
} // namespace

// Why a listed song did not open: gone (a dangling link too), not readable by the player (as
// a user who is not root), or neither.
TEST(SongTrouble, TellsGoneFromLockedFromDamaged)
{
    CTempDir dir;
    OpenToEveryone(dir.Path());
    std::ofstream(dir.Path() / "damaged.mp3") << "x";
    std::ofstream(dir.Path() / "locked.mp3") << "x";
    std::filesystem::permissions(dir.Path() / "locked.mp3", std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(dir.Path() / "nowhere", dir.Path() / "link.mp3");
    EXPECT_EQ(SongTrouble((dir.Path() / "gone.mp3").string()), ESongTrouble::Gone);
    EXPECT_EQ(SongTrouble((dir.Path() / "link.mp3").string()), ESongTrouble::Gone);
    EXPECT_EQ(SongTrouble((dir.Path() / "damaged.mp3").string()), ESongTrouble::Unplayable);
    const int locked =
        RunUnprivileged([&] { return int(SongTrouble((dir.Path() / "locked.mp3").string())); });
    EXPECT_EQ(locked, int(ESongTrouble::Unreadable));
}
