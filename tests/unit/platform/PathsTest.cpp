#include "platform/Paths.h"
#include "platform/AppPath.h"
#include "platform/AtomicFile.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

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

TEST(Paths, MountRootsStartAtTheRootAndIncludeHome)
{
    CTempHome home;
    const auto roots = Paths::MountRoots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.front(), "/");
    EXPECT_NE(std::find(roots.begin(), roots.end(), home.Home().string() + "/"), roots.end());
    for (const auto& root : roots)
        EXPECT_EQ(root.back(), '/');
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
