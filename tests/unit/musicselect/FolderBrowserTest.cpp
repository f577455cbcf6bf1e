#include "TestHelpers.h"

#include "app/SharedData.h"
#include "musicselect/FolderBrowser.h"
#include "platform/BrowseRoots.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "songs/FolderItem.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace
{
// "D:" + name for a folder entry, "S:" + display name for a song entry.
std::vector<std::string> Listing(const CSharedData& shared)
{
    std::vector<std::string> rows;
    for (const auto& item : shared.FolderItems)
        rows.push_back((item->GetKind() == CFolderItem::SongKind ? "S:" : "D:") +
                       item->GetDisplayName());
    return rows;
}

void Touch(const fs::path& file)
{
    std::ofstream(file) << "x";
}

class FolderBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Browser.ClosePreview = [this] { ++PreviewCloses; };
        Browser.RenderRows = [this] { ++Renders; };
        Browser.FreePathHeader = [this] { ++HeaderFrees; };
        Browser.OpenSong = [this](uint32_t index) { OpenedSongs.push_back(index); };
    }

    std::string Folder(const fs::path& path) { return path.string() + "/"; }

    CTempHome Home;
    CTempDir Music;
    CSharedData Shared;
    CFolderBrowser Browser{&Shared};
    int PreviewCloses = 0, Renders = 0, HeaderFrees = 0;
    std::vector<uint32_t> OpenedSongs;
};

TEST_F(FolderBrowserTest, ListsParentFoldersThenEachSongTypeInNameOrder)
{
    for (const char* name : {"b.ogg", "Track 10.mp3", "track 9.MP3", "Track 010.mp3", "notes.txt",
                             "d.Ogg", "e.mp3.bak",    "z.flac",      "a.opus",        "c.m4a",
                             "b.MP4", "a.aac",        "w.wma",       "s.aiff",        "t.AIF",
                             "r.wav", "cover.jpg",    "Zed.ogg",     ".hidden.mp3",   "._b.ogg"})
        Touch(Music.Path() / name);
    // Not .hidden (nor the songs above whose names start with "."); a "bin" or "run" is hidden
    // only at the root.
    for (const char* name :
         {"Sub 10", "sub 9", "x.mp3", "Album", ".hidden", "Live 1999", "Live", "bin", "run"})
        fs::create_directory(Music.Path() / name);
    fs::create_directory_symlink(Music.Path() / "Album", Music.Path() / "Link");
    fs::create_symlink(Music.Path() / "nowhere", Music.Path() / "dangling.ogg");
    Shared.CurrentPath = Folder(Music.Path());
    Shared.ScrollTop = 7;
    Browser.SelectedIndex = 3;

    Browser.ListFolder();

    // Whatever order the file system hands the names out in.
    EXPECT_EQ(Listing(Shared),
              (std::vector<std::string>{
                  "D:..",          "D:Album",         "D:bin",          "D:Link",   "D:Live",
                  "D:Live 1999",   "D:run",           "D:sub 9",        "D:Sub 10", "D:x.mp3",
                  "S:track 9.MP3", "S:Track 010.mp3", "S:Track 10.mp3", "S:x.mp3",  "S:b.ogg",
                  "S:d.Ogg",       "S:dangling.ogg",  "S:Zed.ogg",      "S:z.flac", "S:a.opus",
                  "S:a.aac",       "S:b.MP4",         "S:c.m4a",        "S:w.wma",  "S:r.wav",
                  "S:s.aiff",      "S:t.AIF"}));
    EXPECT_EQ(Shared.FirstSongItem, 10u);
    EXPECT_EQ(Shared.ScrollTop, 0u);
    EXPECT_EQ(Browser.SelectedIndex, -1);
    EXPECT_EQ(PreviewCloses, 1);
    EXPECT_EQ(Renders, 1);
    EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), Shared.CurrentPath);

    Settings::WriteNumber(Settings::Key::ShowHiddenFolders, 1);
    Browser.ListFolder();
    const auto rows = Listing(Shared);
    for (const char* row : {"D:.hidden", "S:.hidden.mp3", "S:._b.ogg"})
        EXPECT_EQ(std::count(rows.begin(), rows.end(), row), 1) << row;
}

TEST_F(FolderBrowserTest, SongEntryKeepsExtensionForDisplayAndFullPath)
{
    Touch(Music.Path() / "song.name.mp3");
    Shared.CurrentPath = Folder(Music.Path());
    Browser.ListFolder();

    ASSERT_EQ(Shared.FolderItems.size(), 2u);
    const CFolderItem& song = *Shared.FolderItems[1];
    EXPECT_EQ(song.GetName(), "song.name");
    EXPECT_EQ(song.GetDisplayName(), "song.name.mp3");
    EXPECT_EQ(song.GetPath(), Shared.CurrentPath + "song.name.mp3");
    EXPECT_TRUE(song.IsInfoPending());
    EXPECT_TRUE(song.GetTitle().empty());
    EXPECT_EQ(song.GetBestRating(), 0);
    const CFolderItem& parent = *Shared.FolderItems[0];
    EXPECT_EQ(parent.GetPath(), "?");
    EXPECT_FALSE(parent.IsInfoPending());
}

TEST_F(FolderBrowserTest, ParentEntryMovesUpAndClickedFolderMovesDown)
{
    fs::create_directories(Music.Path() / "Music" / "Rock");
    Touch(Music.Path() / "Music" / "Rock" / "r.ogg");
    Shared.CurrentPath = Folder(Music.Path() / "Music");
    Browser.ListFolder();
    ASSERT_EQ(Listing(Shared), (std::vector<std::string>{"D:..", "D:Rock"}));

    Browser.OpenItem(1);
    EXPECT_EQ(Shared.CurrentPath, Folder(Music.Path() / "Music" / "Rock"));
    EXPECT_EQ(Listing(Shared), (std::vector<std::string>{"D:..", "S:r.ogg"}));
    EXPECT_EQ(HeaderFrees, 1);

    Browser.OpenItem(0);
    EXPECT_EQ(Shared.CurrentPath, Folder(Music.Path() / "Music"));
    EXPECT_EQ(Browser.SelectedIndex, 1) << "the folder left is selected";
    EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), Folder(Music.Path() / "Music"));
    EXPECT_FALSE(Browser.DriveView);
    EXPECT_EQ(HeaderFrees, 2);
}

TEST_F(FolderBrowserTest, ParentOfRootShowsDriveViewAndARootListsAgain)
{
    Shared.CurrentPath = "/";
    Browser.ListFolder();
    ASSERT_EQ(Listing(Shared).front(), "D:..");
    ASSERT_EQ(Settings::ReadText(Settings::Key::CurrentPath), "/");

    Browser.OpenItem(0);
    EXPECT_TRUE(Browser.DriveView);
    EXPECT_EQ(Shared.CurrentPath, "HDD Select");
    std::vector<std::string> roots;
    for (const auto& root : BrowseRoots::List())
        roots.push_back("D:" + root.Label);
    EXPECT_EQ(Listing(Shared), roots);
    EXPECT_EQ(Shared.FolderItems[uint32_t(Browser.SelectedIndex)]->GetName(), "/");
    EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), "/")
        << "the drive view is never saved";

    // The home folder is the first root here (no Music folder); a click lists it with "..".
    Touch(Home.Home() / "tune.mp3");
    ASSERT_EQ(roots.front(), "D:Home");
    Browser.OpenItem(0);
    EXPECT_FALSE(Browser.DriveView);
    EXPECT_EQ(Shared.CurrentPath, Home.Home().string() + "/");
    EXPECT_EQ(Listing(Shared).front(), "D:..");
    EXPECT_EQ(Listing(Shared).back(), "S:tune.mp3");
    EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), Shared.CurrentPath);

    // ".." all the way up: the last folder listed before the drive view is "/".
    std::string lastFolder;
    for (int step = 0; step < 64 && !Browser.DriveView; ++step)
    {
        lastFolder = Shared.CurrentPath;
        Browser.OpenItem(0);
    }
    EXPECT_EQ(lastFolder, "/");
    ASSERT_TRUE(Browser.DriveView);
    Browser.OpenItem(1); // "/" follows Home
    EXPECT_EQ(Shared.CurrentPath, "/");
    EXPECT_EQ(Listing(Shared).front(), "D:..");
    // The root's system folders are left out unless the player asks for hidden folders.
    const auto listed = [&](const char* name)
    {
        const auto rows = Listing(Shared);
        return std::count(rows.begin(), rows.end(), std::string("D:") + name);
    };
    EXPECT_EQ(listed("proc") + listed("sys") + listed("etc"), 0);
    EXPECT_EQ(listed("usr"), 1);
    Settings::WriteNumber(Settings::Key::ShowHiddenFolders, 1);
    Browser.ListFolder();
    EXPECT_EQ(listed("proc") + listed("sys") + listed("etc"), 3);
}

// A folder gone or locked lists ".." alone, is not the one to start in next time, and a
// locked one says so; a saved folder the player may no longer open is passed over at the start.
TEST_F(FolderBrowserTest, FolderThatCannotBeEnumeratedListsParentOnlyAndIsNotSaved)
{
    Settings::WriteText(Settings::Key::CurrentPath, Folder(Music.Path()));
    const fs::path gone = Music.Path() / "gone";
    Shared.CurrentPath = Folder(gone);
    Browser.ListFolder();
    EXPECT_EQ(Listing(Shared), (std::vector<std::string>{"D:.."}));
    EXPECT_EQ(Shared.FirstSongItem, 1u);
    EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), Folder(Music.Path()));

    // A folder without read permission, seen by a user who is not root.
    OpenToEveryone(Music.Path());
    const fs::path locked = Music.Path() / "locked";
    fs::create_directory(locked);
    Touch(locked / "hidden.mp3");
    fs::permissions(locked, fs::perms::owner_write | fs::perms::owner_exec);
    const fs::path config = Music.Path() / "config";
    fs::create_directory(config);
    OpenToEveryone(config);
    const int result = RunUnprivileged(
        [&]
        {
            setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            Settings::ForgetRunValues();
            CSharedData shared;
            CFolderBrowser browser(&shared);
            int told = 0;
            browser.FolderLocked = [&] { ++told; };
            shared.CurrentPath = Folder(locked);
            browser.ListFolder();
            if (Listing(shared) != std::vector<std::string>{"D:.."} || told != 1)
                return 1;
            if (!Settings::ReadText(Settings::Key::CurrentPath).empty())
                return 2;
            Settings::WriteText(Settings::Key::CurrentPath, Folder(locked));
            shared.CurrentPath = "/";
            browser.LoadCurrentPath();
            return shared.CurrentPath == "/" ? 0 : 3;
        });
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(result, 0);
}

TEST_F(FolderBrowserTest, NamesThatAreNotUtf8AreListedReadableAndKeepTheirBytes)
{
    const std::string badSong = "bad\xff\xfe.mp3";
    const std::string badFolder = "dir\xc3";
    Touch(Music.Path() / badSong);
    fs::create_directory(Music.Path() / badFolder);
    Shared.CurrentPath = Folder(Music.Path());
    Browser.ListFolder();

    EXPECT_EQ(Listing(Shared), (std::vector<std::string>{"D:..", "D:dir\xEF\xBF\xBD",
                                                         "S:bad\xEF\xBF\xBD\xEF\xBF\xBD.mp3"}));
    EXPECT_EQ(Shared.FolderItems[2]->GetPath(), Shared.CurrentPath + badSong);
    EXPECT_TRUE(fs::exists(Shared.FolderItems[2]->GetPath()));

    Browser.OpenItem(1);
    EXPECT_EQ(Shared.CurrentPath, Folder(Music.Path() / badFolder));
    EXPECT_TRUE(fs::is_directory(Shared.CurrentPath));
}

TEST_F(FolderBrowserTest, DeepPathsBeyondTheOldLimitStillList)
{
    fs::path deep = Music.Path();
    for (int i = 0; i < 12; ++i)
        deep /= std::string(60, static_cast<char>('a' + i));
    fs::create_directories(deep);
    Touch(deep / "far.ogg");
    Shared.CurrentPath = Folder(deep.parent_path());
    ASSERT_GT(Shared.CurrentPath.size(), 600u);
    Browser.ListFolder();
    Browser.OpenItem(1);
    EXPECT_EQ(Listing(Shared), (std::vector<std::string>{"D:..", "S:far.ogg"}));
    EXPECT_EQ(Shared.FolderItems[1]->GetPath(), (deep / "far.ogg").string());
    EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), Folder(deep));
}

TEST_F(FolderBrowserTest, SongClicksGoToTheSceneAndClicksPastTheEndDoNothing)
{
    Touch(Music.Path() / "one.mp3");
    Shared.CurrentPath = Folder(Music.Path());
    Browser.ListFolder();
    const std::string before = Shared.CurrentPath;

    Browser.OpenItem(1);
    Browser.OpenItem(2);
    Browser.OpenItem(UINT32_MAX);
    EXPECT_EQ(OpenedSongs, std::vector<uint32_t>{1});
    EXPECT_EQ(Shared.CurrentPath, before);
    EXPECT_EQ(Shared.FolderItems.size(), 2u);
    EXPECT_EQ(HeaderFrees, 0);
}

TEST_F(FolderBrowserTest, SavedPathIsUsedOnlyWhenItIsAnExistingFolder)
{
    Touch(Music.Path() / "file");
    const std::string start = "/start/";
    const struct
    {
        std::string Saved;
        std::string Expected;
    } cases[] = {
        {"", start},
        {Folder(Music.Path()), Folder(Music.Path())},
        {Music.Path().string(), Folder(Music.Path())}, // a hand-edited value without "/"
        {Folder(Music.Path() / "missing"), start},
        {(Music.Path() / "file").string(), start},
        {"relative/path/", start},
    };
    for (const auto& c : cases)
    {
        Settings::WriteText(Settings::Key::CurrentPath, c.Saved);
        Shared.CurrentPath = start;
        Browser.LoadCurrentPath();
        EXPECT_EQ(Shared.CurrentPath, c.Expected) << "saved: " << c.Saved;
    }
}

TEST_F(FolderBrowserTest, InitBrowserListsTheSavedFolderOrReopensThePlayedSong)
{
    Touch(Music.Path() / "a.mp3");
    Touch(Music.Path() / "b.mp3");
    Settings::WriteText(Settings::Key::CurrentPath, Folder(Music.Path()));
    Browser.DriveView = true;
    Browser.InitBrowser();
    EXPECT_FALSE(Browser.DriveView);
    EXPECT_EQ(Shared.ProgramFolder, Paths::ProgramFolder());
    EXPECT_EQ(Shared.CurrentPath, Folder(Music.Path()));
    ASSERT_EQ(Shared.FolderItems.size(), 3u);
    EXPECT_TRUE(OpenedSongs.empty());

    // Back from a battle: the list (maybe shuffled) stays, the played song opens again.
    std::swap(Shared.FolderItems[1], Shared.FolderItems[2]);
    CFolderItem* played = Shared.FolderItems[2].get();
    // Both share one highscore file (same title and length): the new rating shows on both.
    for (const auto& item : Shared.FolderItems)
        item->Title = "Same", item->LengthBytes = 1000;
    played->BestRatings[1] = 70;
    Shared.SelectedItem = 2;
    Shared.ScrollTop = 1;
    const int rendersBefore = Renders;
    CFolderBrowser again(&Shared);
    again.OpenSong = [this](uint32_t index) { OpenedSongs.push_back(index); };
    again.RenderRows = [this] { ++Renders; };
    again.InitBrowser();
    EXPECT_EQ(OpenedSongs, std::vector<uint32_t>{2});
    EXPECT_EQ(Shared.FolderItems[2].get(), played);
    EXPECT_EQ(Shared.ScrollTop, 1u);
    EXPECT_EQ(Renders, rendersBefore + 1);
    EXPECT_EQ(Shared.FolderItems[1]->BestRatings[1], 70);
}
// A player who never chose a folder starts among the demo songs beside the game's data.
TEST_F(FolderBrowserTest, WithoutASavedFolderTheBrowserStartsInTheDemoSongs)
{
    fs::create_directories(Music.Path() / "data");
    Paths::OverrideProgramFolder(Music.Path().string());
    for (const bool withSongs : {true, false})
    {
        if (withSongs)
        {
            fs::create_directory(Music.Path() / "music");
            Touch(Music.Path() / "music" / "demo.ogg");
        }
        else
            fs::remove_all(Music.Path() / "music");
        Shared.ClearFolderItems();
        Browser.InitBrowser();
        EXPECT_EQ(Shared.CurrentPath,
                  withSongs ? Folder(Music.Path() / "music") : Folder(Music.Path()));
        EXPECT_EQ(Listing(Shared).back(), withSongs ? "S:demo.ogg" : "D:data");
        Settings::WriteText(Settings::Key::CurrentPath, ""); // the listing saved it
    }
    // A Music folder with songs a few levels down wins, on the first start only.
    fs::create_directories(Home.Home() / "Music" / "Artist" / "Album");
    Shared.ClearFolderItems();
    Browser.InitBrowser();
    EXPECT_EQ(Shared.CurrentPath, Folder(Music.Path()));
    Touch(Home.Home() / "Music" / "Artist" / "Album" / "track.ogg");
    Shared.ClearFolderItems();
    Browser.InitBrowser();
    EXPECT_EQ(Shared.CurrentPath, Folder(Music.Path())) << "a folder was saved";
    Settings::WriteText(Settings::Key::CurrentPath, "");
    Shared.ClearFolderItems();
    Browser.InitBrowser();
    EXPECT_EQ(Shared.CurrentPath, Folder(Home.Home() / "Music"));
    Paths::OverrideProgramFolder("");
}
} // namespace
