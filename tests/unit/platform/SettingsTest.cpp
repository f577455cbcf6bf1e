#include "platform/Settings.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{
void WriteText(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST(Settings, AbsentValuesReadAsZeroAndEmpty)
{
    CTempHome home;
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::FullScreen), 0);
    EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), "");
}

TEST(Settings, ValuesRoundTripThroughTheUserFile)
{
    CTempHome home;
    EXPECT_TRUE(Settings::WriteNumber(Settings::Key::FullScreen, 1));
    EXPECT_TRUE(Settings::WriteNumber(Settings::Key::SeparateHS, -5));
    EXPECT_TRUE(Settings::WriteText(Settings::Key::CurrentPath, "/home/él/Mü sic=1/"));
    EXPECT_TRUE(Settings::WriteNumber(Settings::Key::FullScreen, 0)); // overwrite keeps the others
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::FullScreen), 0);
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::SeparateHS), -5);
    EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), "/home/él/Mü sic=1/");

    const fs::path file = home.ConfigHome() / "korvane" / "settings.ini";
    EXPECT_NE(ReadAll(file).find("SeparateHS=-5\n"), std::string::npos);
    // The atomic replace leaves no temporary file behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(file.parent_path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

// The keys as stored files have them: a renamed key would lose every player's choice.
TEST(Settings, TypedAccessorsKeepTheStoredNames)
{
    struct SCase
    {
        std::function<void()> Write;
        const char* Line;
        std::function<bool()> ReadsBack;
    };
    const SCase cases[] = {
        {[] { Settings::SetFullScreen(true); }, "FullScreen=1\n",
         [] { return Settings::FullScreen(); }},
        {[] { Settings::SetCommonHighscores(false); }, "SeparateHS=1\n",
         [] { return !Settings::CommonHighscores(); }},
        {[] { Settings::SetCommonHighscores(true); }, "SeparateHS=0\n",
         [] { return Settings::CommonHighscores(); }},
        {[] { Settings::SetPlayContinuous(true); }, "PlayContinuous=1\n",
         [] { return Settings::PlayContinuous(); }},
        {[] { Settings::SetCurrentPath("/m"); }, "CurrentPath=/m\n",
         [] { return Settings::CurrentPath() == "/m"; }},
        {[] { Settings::SetSpeedName("Fast"); }, "Speed=Fast\n",
         [] { return Settings::SpeedName() == "Fast"; }},
        {[] { Settings::SetAudioOffsetMs(-40); }, "AudioOffset=-40\n",
         [] { return Settings::AudioOffsetMs() == -40; }},
        {[] { Settings::SetWindowScale("1.5"); }, "WindowScale=1.5\n",
         [] { return Settings::WindowScale() == "1.5"; }},
    };
    for (const SCase& c : cases)
    {
        CTempHome home;
        c.Write();
        EXPECT_EQ(ReadAll(home.ConfigHome() / "korvane" / "settings.ini"), c.Line);
        EXPECT_TRUE(c.ReadsBack()) << c.Line;
    }
    CTempHome home;
    WriteText(home.ConfigHome() / "korvane" / "settings.ini", "ShowHiddenFolders=2\n");
    EXPECT_FALSE(Settings::ShowHiddenFolders()) << "only 1 shows them";
    WriteText(home.ConfigHome() / "korvane" / "settings.ini", "ShowHiddenFolders=1\n");
    EXPECT_TRUE(Settings::ShowHiddenFolders());
}

TEST(Settings, MachineWideFileIsTheFallback)
{
    CTempHome home;
    WriteText(home.SystemConfig() / "korvane" / "settings.ini", "PlayContinuous=1\nFullScreen=1\n");
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::PlayContinuous), 1);
    Settings::WriteNumber(Settings::Key::PlayContinuous, 0); // the user's value wins from now on
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::PlayContinuous), 0);
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::FullScreen), 1);
}

TEST(Settings, GarbageGivesDefaultsAndDoesNotStopWrites)
{
    CTempHome home;
    const fs::path file = home.ConfigHome() / "korvane" / "settings.ini";
    using namespace std::string_literals;
    WriteText(file, "\x00\xff\xfe garbage\n=5\nFullScreen=yes\nSeparateHS=12abc\n"
                    "[section]\nPlayContinuous=1\r\n"s);
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::FullScreen), 0);
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::SeparateHS), 0);
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::PlayContinuous), 1); // Windows line ends are fine
    EXPECT_TRUE(Settings::WriteNumber(Settings::Key::FullScreen, 1));
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::FullScreen), 1);
}

TEST(Settings, UnreadableFileGivesTheDefaultsAndOneLogLine)
{
    // A folder in the file's place cannot be read as a file, even by root; a named pipe would
    // block the start until something wrote to it.
    for (const bool pipe : {false, true})
    {
        CTempHome home;
        WriteText(home.SystemConfig() / "korvane" / "settings.ini", "PlayContinuous=1\n");
        const fs::path file = home.ConfigHome() / "korvane" / "settings.ini";
        fs::create_directories(pipe ? file.parent_path() : file);
        if (pipe)
        {
            ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
        }
        Settings::ForgetRunValues();
        CLogCapture log;
        EXPECT_EQ(Settings::ReadNumber(Settings::Key::SeparateHS), 0);
        EXPECT_EQ(Settings::ReadNumber(Settings::Key::FullScreen), 0);
        EXPECT_EQ(Settings::ReadNumber(Settings::Key::PlayContinuous),
                  1); // the machine-wide value holds
        EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), "");
        const std::string text = log.Text();
        EXPECT_NE(text.find("cannot be read"), std::string::npos) << pipe;
        EXPECT_EQ(text.find("cannot be read"), text.rfind("cannot be read")) << text;
    }
}

TEST(Settings, UnwritableFolderKeepsTheValueForTheRunAndLogsOnce)
{
    CTempHome home;
    // A config "folder" that is a plain file cannot be written, even by root.
    const fs::path blocker = home.Root() / "not-a-folder";
    WriteText(blocker, "x");
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);

    CLogCapture log;
    EXPECT_FALSE(Settings::WriteNumber(Settings::Key::PlayContinuous, 1));
    EXPECT_FALSE(Settings::WriteNumber(Settings::Key::SeparateHS, 1));
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::PlayContinuous), 1);
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::SeparateHS), 1);
    const std::string text = log.Text();
    EXPECT_NE(text.find("Settings cannot be saved"), std::string::npos);
    EXPECT_EQ(text.find("Settings cannot be saved"), text.rfind("Settings cannot be saved"));

    // Once the folder can be written again, what is written is what is read.
    fs::remove(blocker);
    fs::create_directory(blocker);
    EXPECT_TRUE(Settings::WriteNumber(Settings::Key::PlayContinuous, 0));
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::PlayContinuous), 0);
}

TEST(Settings, OddTextStaysOneValueAndHandEditsAreRead)
{
    CTempHome home;
    // A folder name may hold line breaks and backslashes; they must not become new lines.
    // Blanks at its ends too: reading trims the line.
    for (const std::string odd : {"/music/a\nFullScreen=1\\n\\\r/", " /music/b\t", "\t", " "})
    {
        EXPECT_TRUE(Settings::WriteText(Settings::Key::CurrentPath, odd));
        EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), odd);
        EXPECT_EQ(Settings::ReadNumber(Settings::Key::FullScreen), 0);
    }

    const fs::path file = home.ConfigHome() / "korvane" / "settings.ini";
    WriteText(file, "  FullScreen =  1 \n\tSeparateHS\t=\t1\n");
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::FullScreen), 1);
    EXPECT_EQ(Settings::ReadNumber(Settings::Key::SeparateHS), 1);
}

TEST(Settings, NumbersBeyondTheirRangeKeepTheirSignAndAreLogged)
{
    struct SCase
    {
        const char* Stored;
        int32_t Read;
        bool Logged;
    };
    const SCase cases[] = {
        {"2147483647", 2147483647, false},
        {"2147483648", 2147483647, true},
        {"4294967297", 2147483647, true},
        {"99999999999999999999999999", 2147483647, true},
        {"+12", 12, false},
        {"-2147483648", -2147483647 - 1, false},
        {"-2147483649", -2147483647 - 1, true},
        {"-18446744073709551617", -2147483647 - 1, true},
        {"-", 0, false},
        {"12-3", 0, false},
        {"", 0, false},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Stored);
        CTempHome home;
        WriteText(home.ConfigHome() / "korvane" / "settings.ini",
                  std::string("AudioOffset=") + c.Stored + "\n");
        CLogCapture log;
        EXPECT_EQ(Settings::ReadNumber(Settings::Key::AudioOffset), c.Read);
        EXPECT_EQ(log.Text().find("AudioOffset=") != std::string::npos, c.Logged) << log.Text();
    }
}

TEST(Settings, ALargeOrDamagedFileKeepsEveryLineItCanRead)
{
    using namespace std::string_literals;
    std::string filler;
    for (int i = 0; i < 40000; ++i)
        filler += "Junk" + std::to_string(i % 100) + "=" + std::string(20, 'x') + "\n";
    struct SCase
    {
        const char* Name;
        std::string Text;
    };
    const SCase cases[] = {
        {"over a megabyte", filler + "SeparateHS=1\n" + filler + "PlayContinuous=1"},
        {"a line of two megabytes",
         "SeparateHS=1\nCurrentPath=/" + std::string(2 << 20, 'a') + "\nPlayContinuous=1\n"},
        {"binary damage", "SeparateHS=1\n\x00\xff\xfe\x01garbage\n\xc3=\x28\n"
                          "PlayContinuous=1\r\n"s},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CTempHome home;
        const fs::path file = home.ConfigHome() / "korvane" / "settings.ini";
        WriteText(file, c.Text);
        CLogCapture log;
        EXPECT_EQ(Settings::ReadNumber(Settings::Key::SeparateHS), 1);
        EXPECT_EQ(Settings::ReadNumber(Settings::Key::PlayContinuous), 1);
        EXPECT_EQ(Settings::ReadText(Settings::Key::CurrentPath), "");
        // The next change rewrites it whole: what was read, without the damage.
        EXPECT_TRUE(Settings::WriteNumber(Settings::Key::FullScreen, 1));
        const std::string rewritten = ReadAll(file);
        EXPECT_LT(rewritten.size(), 4000u);
        EXPECT_NE(rewritten.find("SeparateHS=1\n"), std::string::npos);
        EXPECT_NE(rewritten.find("PlayContinuous=1\n"), std::string::npos);
        EXPECT_NE(rewritten.find("FullScreen=1\n"), std::string::npos);
        EXPECT_EQ(rewritten.find("garbage"), std::string::npos);
    }
}
