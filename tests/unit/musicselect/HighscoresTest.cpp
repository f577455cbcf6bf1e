#include "TestHelpers.h"

#include "app/SharedData.h"
#include "platform/Paths.h"
#include "songs/FolderItem.h"
#include "songs/Highscores.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace
{
constexpr float Slow = 2.0f, Normal = 1.2f, Fast = 0.8f;

std::string FileOf(int32_t slow, int32_t normal, int32_t fast)
{
    std::string bytes;
    for (int32_t value : {slow, normal, fast})
        for (int b = 0; b < 4; ++b)
            bytes += static_cast<char>((static_cast<uint32_t>(value) >> (8 * b)) & 0xFF);
    return bytes;
}

class HighscoresTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directory(Program.Path() / "bin");
        Paths::OverrideProgramFolder((Program.Path() / "bin").string());
        Shared.ProgramFolder = Paths::ProgramFolder();
    }
    void TearDown() override { Paths::OverrideProgramFolder(""); }

    std::unique_ptr<CFolderItem> Song(const std::string& title)
    {
        auto item = std::make_unique<CFolderItem>(&Shared, title + ".mp3", CFolderItem::SongKind);
        item->Title = title;
        return item;
    }
    fs::path Common() const { return Program.Path() / "bin" / "highscores"; }
    fs::path PerUser() const { return Home.DataHome() / "korvane"; }

    CTempHome Home;
    CTempDir Program;
    CSharedData Shared;
};

TEST_F(HighscoresTest, OnlyAStrictlyBetterRatingIsSavedInTheSpeedsSlot)
{
    fs::create_directory(Common());
    WriteWholeFile(Common() / "Night Drive-1000.hs", FileOf(70, 0, 0));
    auto song = Song("Night Drive");
    song->LoadHighscores(1000);
    Shared.Speed = Normal;

    EXPECT_TRUE(song->SaveHighscore(65, 1000));
    EXPECT_EQ(ReadWholeFile(Common() / "Night Drive-1000.hs"), FileOf(70, 65, 0));
    EXPECT_EQ(song->GetBestRating(), 65);

    fs::remove(Common() / "Night Drive-1000.hs");
    EXPECT_FALSE(song->SaveHighscore(65, 1000));
    EXPECT_FALSE(song->SaveHighscore(-3, 1000));
    EXPECT_FALSE(fs::exists(Common() / "Night Drive-1000.hs")) << "nothing written";

    Shared.Speed = Slow;
    EXPECT_FALSE(song->SaveHighscore(70, 1000));
    EXPECT_TRUE(song->SaveHighscore(71, 1000));
    Shared.Speed = 1.0f; // any other value is the Fast slot
    EXPECT_TRUE(song->SaveHighscore(1, 1000));
    EXPECT_EQ(ReadWholeFile(Common() / "Night Drive-1000.hs"), FileOf(71, 65, 1));
    Shared.Speed = Normal; // a rating above 100 is kept as 100, which the file can hold
    EXPECT_TRUE(song->SaveHighscore(250, 1000));
    EXPECT_EQ(ReadWholeFile(Common() / "Night Drive-1000.hs"), FileOf(71, 100, 1));

    // Another entry of the same song (same title, same length) shares the file.
    auto copy = Song("Night Drive");
    copy->LoadHighscores(1000);
    Shared.Speed = Fast;
    EXPECT_EQ(copy->GetBestRating(), 1);
    auto otherLength = Song("Night Drive");
    otherLength->LoadHighscores(1001);
    EXPECT_EQ(otherLength->GetBestRating(), 0);
}

TEST(Trophies, ByRatingBeforeItIsCut)
{
    const std::pair<double, int> cases[] = {{100.0, 4}, {99.99, 3}, {90.0, 3}, {89.99, 2},
                                            {80.0, 2},  {79.99, 1}, {60.0, 1}, {59.99, 0}};
    for (const auto& [rating, trophy] : cases)
        EXPECT_EQ(TrophyFor(rating), trophy) << rating;
}

// Two copies of one song (same title, same length) share a file; each entry loaded it before
// the other saved, and neither save may wipe the other's score.
TEST_F(HighscoresTest, EntriesSharingAFileKeepEachOthersScores)
{
    auto first = Song("Twin");
    auto second = Song("Twin");
    first->LoadHighscores(500);
    second->LoadHighscores(500);
    Shared.Speed = Slow;
    EXPECT_TRUE(first->SaveHighscore(80, 500));
    Shared.Speed = Fast;
    EXPECT_TRUE(first->SaveHighscore(60, 500));
    EXPECT_FALSE(second->SaveHighscore(50, 500)) << "the file already holds a better one";
    EXPECT_EQ(ReadWholeFile(Common() / "Twin-500.hs"), FileOf(80, 0, 60));
    EXPECT_EQ(second->GetBestRating(), 60);
    Shared.Speed = Normal;
    EXPECT_TRUE(second->SaveHighscore(70, 500));
    EXPECT_EQ(ReadWholeFile(Common() / "Twin-500.hs"), FileOf(80, 70, 60));
}

TEST_F(HighscoresTest, NamesComeFromTheSafeTitleAndTheLength)
{
    const struct
    {
        std::string Title;
        int64_t Length;
        std::string File;
    } cases[] = {
        {"AC/DC", 5000, "AC_DC-5000.hs"},
        {"Unknown", -1, "Unknown--1.hs"},
        {"..", 42, "..-42.hs"},
        {"/", 42, "_-42.hs"},
        {"../../escape", 9, ".._.._escape-9.hs"},
    };
    Shared.Speed = Fast;
    for (const auto& c : cases)
    {
        CLogCapture log;
        EXPECT_TRUE(Song(c.Title)->SaveHighscore(90, c.Length)) << c.Title;
        const fs::path file = Common() / c.File;
        EXPECT_EQ(ReadWholeFile(file), FileOf(0, 0, 90)) << c.Title;
        EXPECT_EQ(log.Text(), "Saving score for : " + file.string() + "\n");

        auto again = Song(c.Title);
        again->LoadHighscores(c.Length);
        EXPECT_EQ(again->GetBestRating(), 90) << c.Title;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(Common()), fs::directory_iterator()),
              static_cast<long>(std::size(cases)))
        << "every name stays inside the folder";
}

TEST_F(HighscoresTest, TitleTooLongForAFileNameIsShortenedAtItsEnd)
{
    const std::string title = "曲 " + std::string(400, 'z');
    Shared.Speed = Normal;
    EXPECT_TRUE(Song(title)->SaveHighscore(77, 123456));
    ASSERT_TRUE(fs::is_directory(Common()));
    const auto files = std::vector<fs::directory_entry>(fs::directory_iterator(Common()), {});
    ASSERT_EQ(files.size(), 1u) << "written in the common folder, no temporary file left";
    const std::string name = files[0].path().filename().string();
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(name.substr(0, 20), title.substr(0, 20));
    EXPECT_EQ(name.substr(name.size() - 10), "-123456.hs");
    EXPECT_EQ(ReadWholeFile(files[0].path()), FileOf(0, 77, 0));

    auto again = Song(title);
    again->LoadHighscores(123456);
    EXPECT_EQ(again->GetBestRating(), 77);
    auto shorter = Song(title.substr(0, 300));
    shorter->LoadHighscores(123456);
    EXPECT_EQ(shorter->GetBestRating(), 77) << "titles equal up to the cut share the file";
}

TEST_F(HighscoresTest, FreshInstallationLoadsNothingAndCreatesTheFolderOnFirstSave)
{
    auto song = Song("First");
    {
        CLogCapture log;
        song->LoadHighscores(300);
        EXPECT_EQ(log.Text(), "Loading score for : " + (Common() / "First-300.hs").string() + "\n");
    }
    EXPECT_FALSE(fs::exists(Common())) << "loading creates no folder";
    EXPECT_EQ(song->GetBestRating(), 0);
    EXPECT_TRUE(song->SaveHighscore(50, 300));
    EXPECT_EQ(ReadWholeFile(Common() / "First-300.hs"), FileOf(50, 0, 0));

    // Separate highscores on a fresh account: the data folder itself may not exist yet.
    fs::remove_all(Home.DataHome());
    Shared.CommonHighscores = false;
    auto mine = Song("First");
    mine->LoadHighscores(300);
    EXPECT_EQ(mine->GetBestRating(), 0) << "the common file is not read in separate mode";
    EXPECT_TRUE(mine->SaveHighscore(40, 300));
    EXPECT_EQ(ReadWholeFile(PerUser() / "First-300.hs"), FileOf(40, 0, 0));
    EXPECT_EQ(ReadWholeFile(Common() / "First-300.hs"), FileOf(50, 0, 0)) << "not merged";
}

TEST_F(HighscoresTest, SeparateAndCommonFoldersKeepTheirOwnScores)
{
    fs::create_directories(PerUser());
    fs::create_directories(Common());
    WriteWholeFile(PerUser() / "Song-10.hs", FileOf(10, 20, 30));
    WriteWholeFile(Common() / "Song-10.hs", FileOf(60, 0, 0));

    const struct
    {
        bool Common;
        int32_t Slow;
        fs::path Written;
    } cases[] = {{false, 10, PerUser() / "Song-10.hs"}, {true, 60, Common() / "Song-10.hs"}};
    for (const auto& c : cases)
    {
        Shared.CommonHighscores = c.Common;
        auto song = Song("Song");
        song->LoadHighscores(10);
        EXPECT_EQ(song->BestRatings[0], c.Slow);
        EXPECT_TRUE(song->SaveHighscore(c.Slow + 1, 10));
        EXPECT_EQ(ReadWholeFile(c.Written).substr(0, 4), FileOf(c.Slow + 1, 0, 0).substr(0, 4));
    }
    EXPECT_EQ(ReadWholeFile(PerUser() / "Song-10.hs"), FileOf(11, 20, 30));
    EXPECT_EQ(ReadWholeFile(Common() / "Song-10.hs"), FileOf(61, 0, 0));
}

TEST_F(HighscoresTest, WithoutAUserDataFolderTheRunSwitchesToTheCommonFolder)
{
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    Shared.CommonHighscores = false;
    auto song = Song("Homeless");
    song->LoadHighscores(1);
    EXPECT_TRUE(Shared.CommonHighscores);
    EXPECT_TRUE(song->SaveHighscore(33, 1));
    EXPECT_EQ(ReadWholeFile(Common() / "Homeless-1.hs"), FileOf(33, 0, 0));
}

TEST_F(HighscoresTest, ShortOrOddFilesGiveWhatTheyHold)
{
    fs::create_directory(Common());
    const struct
    {
        std::string Bytes;
        int32_t Before[3];
        int32_t After[3];
    } cases[] = {
        {FileOf(70, 80, 90), {0, 0, 0}, {70, 80, 90}},
        {FileOf(70, 80, 90).substr(0, 4), {0, 0, 0}, {70, 0, 0}},
        {FileOf(70, 80, 90).substr(0, 5), {0, 0, 0}, {70, 80, 0}},
        {FileOf(70, 0x1234, 90).substr(0, 5), {0, 0x5500, 0}, {70, 0, 0}}, // 0x5534
        {"", {1, 2, 3}, {1, 2, 3}},
        {FileOf(101, -1, 100), {0, 0, 0}, {0, 0, 100}},
        {FileOf(0x132, 50, 60), {0, 0, 0}, {0, 50, 60}}, // 306 in two bytes: no rating
        {FileOf(INT32_MIN, INT32_MAX, 0), {5, 5, 5}, {0, 0, 0}},
        {FileOf(1, 2, 3) + "trailing", {0, 0, 0}, {1, 2, 3}},
    };
    for (const auto& c : cases)
    {
        WriteWholeFile(Common() / "Odd-8.hs", c.Bytes);
        auto song = Song("Odd");
        std::memcpy(song->BestRatings, c.Before, sizeof c.Before);
        song->LoadHighscores(8);
        EXPECT_EQ(std::vector<int32_t>(song->BestRatings, song->BestRatings + 3),
                  std::vector<int32_t>(c.After, c.After + 3))
            << c.Bytes.size() << " bytes";
    }

    // Things that are not regular files read as nothing, and do not hang.
    fs::remove(Common() / "Odd-8.hs");
    fs::create_directory(Common() / "Odd-8.hs");
    auto song = Song("Odd");
    song->LoadHighscores(8);
    EXPECT_EQ(song->BestRatings[0], 0);
    mkfifo((Common() / "Odd-9.hs").c_str(), 0644);
    song->LoadHighscores(9);
    EXPECT_EQ(song->BestRatings[0], 0);
}

// An installed game's folder cannot be written by the player: the save goes to the player's
// own folder, says so, and loading finds it there.
TEST_F(HighscoresTest, ReadOnlyCommonFolderFallsBackToTheUsersFolder)
{
    const fs::path base = Program.Path();
    OpenToEveryone(base);
    const fs::path data = base / "data";
    fs::create_directory(data);
    OpenToEveryone(data);
    const fs::path program = base / "bin";
    const fs::path common = program / "highscores";
    fs::create_directory(common);
    WriteWholeFile(common / "Kept-64.hs", FileOf(70, 50, 0));
    // Read-only for its owner too, so the check also holds when the tests do not run as root.
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec |
                               fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(common, readOnly);
    fs::permissions(program,
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);

    const struct
    {
        std::string Title;
        float Speed;
        int32_t Rating;
        std::string UserFile;
    } cases[] = {
        {"Fresh", Slow, 80, FileOf(80, 0, 0)},
        {"Kept", Normal, 65, FileOf(70, 65, 0)},
    };
    for (const auto& c : cases)
    {
        const int result = RunUnprivileged(
            [&]
            {
                setenv("XDG_DATA_HOME", data.c_str(), 1);
                CSharedData shared;
                shared.CommonHighscores = true;
                shared.ProgramFolder = program.string() + "/";
                shared.Speed = c.Speed;
                CFolderItem song(&shared, c.Title + ".ogg", CFolderItem::SongKind);
                song.Title = c.Title;
                song.LoadHighscores(64);
                CLogCapture log;
                if (!song.SaveHighscore(c.Rating, 64))
                    return 1;
                const std::string text = log.Text();
                if (text.find("cannot be written") == std::string::npos ||
                    text.find("Saving score for : " + (data / "korvane").string()) ==
                        std::string::npos)
                    return 2;
                CFolderItem reread(&shared, c.Title + ".ogg", CFolderItem::SongKind);
                reread.Title = c.Title;
                reread.LoadHighscores(64);
                return reread.GetBestRating() == c.Rating ? 0 : 3;
            });
        EXPECT_EQ(result, 0) << c.Title;
        EXPECT_EQ(ReadWholeFile(data / "korvane" / (c.Title + "-64.hs")), c.UserFile);
    }
    fs::permissions(common, fs::perms::owner_all);
    EXPECT_EQ(ReadWholeFile(common / "Kept-64.hs"), FileOf(70, 50, 0));
    EXPECT_FALSE(fs::exists(common / "Fresh-64.hs"));
}

TEST_F(HighscoresTest, CommonFolderThatCannotBeCreatedFallsBackToo)
{
    WriteWholeFile(Common(), "a file where the folder should be");
    auto song = Song("Blocked");
    CLogCapture log;
    EXPECT_TRUE(song->SaveHighscore(12, 3));
    EXPECT_EQ(ReadWholeFile(PerUser() / "Blocked-3.hs"), FileOf(12, 0, 0));
    EXPECT_NE(log.Text().find("cannot be written"), std::string::npos);
    auto again = Song("Blocked");
    again->LoadHighscores(3);
    EXPECT_EQ(again->GetBestRating(), 12);
}
} // namespace

// A disk that fills up (a file-size limit stands for it) or a folder that turned read-only:
// the old file stays whole, no temporary file is left, the log says so in one line, and no
// new highscore is announced.
namespace
{
// A highscore file's bytes with a rating put in one slot (the others kept, or 0 for none).
std::string Merged(const std::string& before, int slot, int32_t rating)
{
    int32_t ratings[3] = {0, 0, 0};
    for (int i = 0; i < 3 && before.size() >= size_t(4 * i + 4); ++i)
        std::memcpy(&ratings[i], before.data() + 4 * i, 4);
    ratings[slot] = std::max(ratings[slot], rating);
    return FileOf(ratings[0], ratings[1], ratings[2]);
}
} // namespace

// A failed save keeps the old file, announces nothing, says why, and is kept: once the disk has
// room again (the full-disk cases) it goes through.
TEST_F(HighscoresTest, FailedSaveKeepsTheOldFileAndAnnouncesNothing)
{
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec |
                               fs::perms::others_read | fs::perms::others_exec;
    const struct
    {
        const char* Name;
        bool Common;
        std::string Before; // "" = no file yet
        bool FullDisk;      // else the folder is read-only
    } cases[] = {
        {"full disk, common folder", true, FileOf(70, 50, 0), true},
        {"full disk, first score", true, "", true},
        {"full disk, own folder", false, FileOf(10, 20, 30), true},
        {"read-only own folder", false, FileOf(10, 20, 30), false},
    };
    for (const fs::path& open : {Home.Root(), Home.DataHome(), Program.Path()})
        OpenToEveryone(open);
    for (const auto& c : cases)
    {
        const fs::path folder = c.Common ? Common() : PerUser();
        fs::create_directories(folder);
        OpenToEveryone(folder);
        const fs::path file = folder / "Disk-77.hs";
        if (!c.Before.empty())
            WriteWholeFile(file, c.Before);
        if (!c.FullDisk)
            fs::permissions(folder, readOnly);
        const int result = RunUnprivileged(
            [&]
            {
                if (c.FullDisk)
                {
                    const rlimit limit{8, RLIM_INFINITY};
                    signal(SIGXFSZ, SIG_IGN);
                    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                        return 1;
                }
                Shared.CommonHighscores = c.Common;
                Shared.Speed = Normal;
                auto song = Song("Disk");
                song->LoadHighscores(77);
                CLogCapture log;
                if (song->SaveHighscore(99, 77))
                    return 2;
                const std::string text = log.Text();
                const bool oneLine = std::count(text.begin(), text.end(), '\n') == 2 &&
                                     text.find("Unable to write the highscore file " +
                                               file.string()) != std::string::npos;
                if (!oneLine || song->GetSaveError().empty() || Shared.PendingSaves.IsEmpty())
                    return 3;
                // Once the disk has room again, the kept save goes through at the next visit
                // to the song's row (or at the exit).
                const rlimit room{RLIM_INFINITY, RLIM_INFINITY};
                setrlimit(RLIMIT_FSIZE, &room);
                Song("Disk")->LoadHighscores(77);
                if (Shared.PendingSaves.IsEmpty() != c.FullDisk)
                    return 4;
                return Shared.PendingSaves.RetryAll() == c.FullDisk ? 0 : 5;
            });
        EXPECT_EQ(result, 0) << c.Name;
        fs::permissions(folder, fs::perms::owner_all);
        const std::string after = c.FullDisk ? Merged(c.Before, 1, 99) : c.Before;
        EXPECT_EQ(fs::exists(file) ? ReadWholeFile(file) : "", after) << c.Name;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
                  fs::exists(file) ? 1 : 0)
            << c.Name << ": no temporary file left";
        fs::remove_all(folder);
    }
}
