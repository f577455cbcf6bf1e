#include "platform/Paths.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "platform/BrowseRoots.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

TEST(Paths, ProgramFolderIsTheExecutablesFolder)
{
    const std::string folder = Paths::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(BuildAppPath("data/title.png"), folder + "data/title.png");

    const std::string longFolder = "/tmp/" + std::string(300, 'a') + "/é b";
    Paths::OverrideProgramFolder(longFolder);
    EXPECT_EQ(BuildAppPath("data/x.png"), longFolder + "/data/x.png");
    Paths::OverrideProgramFolder("");
    EXPECT_EQ(Paths::ProgramFolder(), folder);
}

// A build tree or unpacked folder keeps data/ beside the executable; an installed game has it
// in ../share/games/korvane; beside wins when both exist.
TEST(Paths, GameFilesAreFoundBesideTheExecutableThenInTheInstalledFolder)
{
    namespace fs = std::filesystem;
    const CTempDir root;
    const fs::path program = root.Path() / "games";
    const fs::path installed = root.Path() / "share/games/korvane";
    const struct
    {
        bool Beside, Installed;
        fs::path Expected;
    } cases[] = {
        {true, false, program},
        {false, true, installed},
        {true, true, program},
        {false, false, fs::path()},
    };
    for (const auto& c : cases)
    {
        fs::remove_all(root.Path() / "games");
        fs::remove_all(root.Path() / "share");
        fs::create_directories(program);
        if (c.Beside)
            fs::create_directory(program / "data");
        if (c.Installed)
            fs::create_directories(installed / "data");
        Paths::OverrideProgramFolder(program.string());
        const std::string expected = c.Expected.empty() ? "" : c.Expected.string() + "/";
        EXPECT_EQ(FindAppFolder(), expected) << c.Beside << c.Installed;
        EXPECT_EQ(BuildAppPath("data/x.png"),
                  (expected.empty() ? program.string() + "/" : expected) + "data/x.png");
    }
    Paths::OverrideProgramFolder("");
}

TEST(Paths, XdgFoldersFollowTheEnvironment)
{
    CTempHome home;
    EXPECT_EQ(Paths::UserDataFolder(), home.DataHome());
    EXPECT_EQ(Paths::UserConfigFolder(), home.ConfigHome());
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(Paths::UserDataFolder(), home.Home() / ".local/share");
    setenv("XDG_DATA_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(Paths::UserDataFolder(), home.Home() / ".local/share");
    setenv("XDG_CONFIG_DIRS", "/a:relative:/b", 1);
    EXPECT_EQ(Paths::SystemConfigFolders(), (std::vector<std::filesystem::path>{"/a", "/b"}));
}

TEST(BrowseRoots, MusicAndHomeComeFirstUnderTheirNamesThenTheRoot)
{
    CTempHome home;
    const std::string homePath = home.Home().string() + "/";
    const auto names = []
    {
        std::string shown;
        for (const auto& root : BrowseRoots::List())
            shown += root.Label + "=" + root.Path + " ";
        return shown;
    };
    EXPECT_EQ(names().rfind("Home=" + homePath + " /=/ ", 0), 0u) << names();
    std::filesystem::create_directories(home.Home() / "Musique");
    std::ofstream(home.ConfigHome() / "user-dirs.dirs")
        << "# xdg-user-dirs\nXDG_MUSIC_DIR=\"$HOME/Musique\"\n";
    EXPECT_EQ(names().rfind("Music=" + homePath + "Musique/ Home=" + homePath + " /=/ ", 0), 0u);
    std::ofstream(home.ConfigHome() / "user-dirs.dirs") << "XDG_MUSIC_DIR=\"$HOME/\"\n"; // off
    EXPECT_EQ(BrowseRoots::MusicFolder(), "");
    std::filesystem::create_directories(home.Home() / "Music");
    EXPECT_EQ(BrowseRoots::MusicFolder(), homePath + "Music/");
}

TEST(BrowseRoots, OnlyMountPointsAPlayerCanOwnAreOffered)
{
    // id parent major:minor root mount-point options [optional...] - type source options
    std::istringstream mountinfo(
        "21 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "22 21 0:5 / /proc rw - proc proc rw\n"
        "25 21 0:8 / /run rw - tmpfs tmpfs rw\n"
        "26 21 7:0 / /snap/core/1 ro shared:5 - squashfs /dev/loop0 ro\n"
        "27 21 8:17 / /media/ann/USB\\040KEY rw shared:7 - vfat /dev/sdb1 rw\n"
        "28 21 8:33 / /mnt/music rw - ext4 /dev/sdc1 rw\n"
        "29 21 8:49 / /run/media/ann/Disk rw - ext4 /dev/sdd1 rw\n"
        "30 21 8:65 / /home/ann/stick rw - vfat /dev/sde1 rw\n"
        "31 21 8:2 / /boot/efi rw - vfat /dev/sda2 rw\n"
        "32 21 7:1 / /mnt/image ro - squashfs /dev/loop1 ro\n"
        "33 21 8:17 / /media/ann/USB\\040KEY rw - vfat /dev/sdb1 rw\n" // bound twice
        "34 21 8:81 / /srv rw - ext4 /dev/sdf1 rw\n");
    const auto removable = [](const std::string& device)
    { return device == "8:17" || device == "8:65" || device == "8:2"; };
    EXPECT_EQ(BrowseRoots::PlayerMountPoints(mountinfo, removable),
              (std::vector<std::string>{"/media/ann/USB KEY/", "/mnt/music/",
                                        "/run/media/ann/Disk/", "/home/ann/stick/"}));
}

TEST(Paths, InvalidUtf8BecomesReplacementCharacters)
{
    struct Case
    {
        std::string in, out;
    };
    const Case cases[] = {
        {"plain.mp3", "plain.mp3"},
        {"caf\xC3\xA9.ogg", "caf\xC3\xA9.ogg"},
        {"bad\xE9.mp3", "bad\xEF\xBF\xBD.mp3"},                   // Latin-1 byte
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // overlong slash
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // surrogate
        {"end\xE2\x82", "end\xEF\xBF\xBD\xEF\xBF\xBD"},           // cut short
        {"\xF0\x9F\x8E\xB5", "\xF0\x9F\x8E\xB5"},                 // a 4-byte note sign
    };
    for (const Case& c : cases)
        EXPECT_EQ(Paths::DisplayableUtf8(c.in), c.out) << c.in;
}

TEST(AtomicFile, ReplacesWholeAndFailsCleanly)
{
    CTempDir dir;
    const auto file = dir.Path() / "scores.hs";
    ASSERT_TRUE(WriteFileAtomically(file, "first"));
    ASSERT_TRUE(WriteFileAtomically(file, std::string("se\0cond", 7)));
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string("se\0cond", 7));
    EXPECT_FALSE(WriteFileAtomically(dir.Path() / "missing" / "x.hs", "data"));
}
