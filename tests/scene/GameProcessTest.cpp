// The real game executable, started as a player would start it, with SDL's dummy drivers.
#include "Version.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
extern char** environ;

namespace
{
class CGameProcess
{
public:
    explicit CGameProcess(const fs::path& exe, std::vector<std::string> args = {})
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string program = exe.string();
        std::vector<char*> argv{program.data()};
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&Pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            Pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        Output = out[0];
    }
    ~CGameProcess()
    {
        if (Pid > 0 && !Exited)
        {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        if (Output >= 0)
            close(Output);
    }

    // Reads output until the text appears or the time runs out.
    bool WaitFor(const std::string& text, std::chrono::seconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (Text.find(text) == std::string::npos)
        {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count())))
                return Text.find(text) != std::string::npos;
        }
        return true;
    }

    // Exit code, or -1 when the process had to be killed after the limit.
    int Wait(std::chrono::seconds limit)
    {
        WaitFor("\x01never", limit); // drains output until it closes or the time is up
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        int status = 0;
        while (waitpid(Pid, &status, WNOHANG) == 0)
        {
            if (std::chrono::steady_clock::now() > end)
                return -1;
            usleep(10000);
        }
        Exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    void Signal(int signal) { kill(Pid, signal); }
    const std::string& Log() const { return Text; }

private:
    bool ReadSome(int timeoutMs)
    {
        pollfd fd{Output, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = read(Output, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        Text.append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t Pid = -1;
    int Output = -1;
    bool Exited = false;
    std::string Text;
};

// A copy of the game in its own folder, with data/ made of links to the real files,
// minus the ones a test leaves out.
fs::path InstallGame(const fs::path& folder, const std::vector<std::string>& without = {})
{
    fs::create_directories(folder / "data");
    fs::copy_file(KORVANE_EXE, folder / "korvane");
    for (const auto& entry : fs::directory_iterator(KORVANE_DATA))
    {
        const std::string name = entry.path().filename().string();
        if (std::find(without.begin(), without.end(), name) == without.end())
            fs::create_symlink(entry.path(), folder / "data" / name);
    }
    return folder / "korvane";
}
} // namespace

TEST(GameProcess, MissingFontEndsWithExitCodeOneAndNoTheEnd)
{
    CTempHome home;
    CTempDir dir;
    CGameProcess game(InstallGame(dir.Path() / "game", {"Komikax.ttf"}));
    EXPECT_EQ(game.Wait(std::chrono::seconds(30)), 1);
    EXPECT_EQ(game.Log().rfind("Launching : Korvane Zaduza\n", 0), 0u) << game.Log();
    EXPECT_NE(game.Log().find("TTF_OpenFont: "), std::string::npos) << game.Log();
    EXPECT_EQ(game.Log().find("The End"), std::string::npos);
    EXPECT_EQ(game.Log().find("Scene "), std::string::npos);
}

TEST(GameProcess, WithoutADataFolderOneLineSaysWhereItLookedAndTheExitCodeIsOne)
{
    CTempHome home;
    CTempDir dir;
    fs::create_directories(dir.Path() / "games");
    fs::copy_file(KORVANE_EXE, dir.Path() / "games" / "korvane");
    CGameProcess game(dir.Path() / "games" / "korvane");
    EXPECT_EQ(game.Wait(std::chrono::seconds(30)), 1);
    EXPECT_EQ(game.Log(), "Launching : Korvane Zaduza\nCould not find the game's data: no data "
                          "folder in " +
                              (dir.Path() / "games").string() + "/ or in " +
                              (dir.Path() / "share/games/korvane").string() + "/\n");
}

// Answers on the command line never start the game (no "Launching" line, no window).
TEST(GameProcess, CommandLineAnswersAsGnuToolsDo)
{
    CTempHome home;
    const struct
    {
        std::vector<std::string> Args;
        int ExitCode;
        std::string Start; // what the output starts with
    } cases[] = {
        {{"--help"}, 0, "Usage: " + std::string(KORVANE_EXE) + " [OPTION]... [SONG|FOLDER]\n"},
        {{"-h", "song.mp3"}, 0, "Usage: "},
        {{"--version"}, 0, "korvane (Korvane Zaduza) " KORVANE_VERSION "\n"},
        {{"--frob"}, 2, std::string(KORVANE_EXE) + ": unrecognized option '--frob'\nTry "},
        {{"-x"}, 2, std::string(KORVANE_EXE) + ": invalid option -- 'x'\nTry "},
        {{"a.mp3", "b.mp3"}, 2, std::string(KORVANE_EXE) + ": extra operand 'b.mp3'\nTry "},
    };
    for (const auto& c : cases)
    {
        CGameProcess game(KORVANE_EXE, c.Args);
        EXPECT_EQ(game.Wait(std::chrono::seconds(10)), c.ExitCode) << c.Args[0];
        EXPECT_EQ(game.Log().rfind(c.Start, 0), 0u) << game.Log();
        EXPECT_EQ(game.Log().find("Launching"), std::string::npos) << game.Log();
    }
}

// "Open with" from a file manager: the browser opens after the splash, at the song's folder
// with the song selected and previewed (the music browser's tests run what is not a song).
// The games run at once: each takes its splash's three seconds.
TEST(GameProcess, ASongOnTheCommandLineOpensTheBrowserThere)
{
    CTempHome home;
    CTempDir dir;
    fs::copy_file(fs::path(KORVANE_DATA).parent_path() / "music" / "03-minims-lullaby.ogg",
                  dir.Path() / "my song.ogg");
    fs::copy_file(fs::path(KORVANE_DATA) / "tessel.wav", dir.Path() / "chime.wav");
    CGameProcess ogg(KORVANE_EXE, {(dir.Path() / "my song.ogg").string()});
    CGameProcess wav(KORVANE_EXE, {(dir.Path() / "chime.wav").string()});
    for (CGameProcess* game : {&ogg, &wav})
    {
        EXPECT_TRUE(game->WaitFor("Scene Music Select starting\ndebug: Opening music file\n",
                                  std::chrono::seconds(60)))
            << game->Log();
        game->Signal(SIGTERM);
    }
    for (CGameProcess* game : {&ogg, &wav})
    {
        EXPECT_EQ(game->Wait(std::chrono::seconds(20)), 0) << game->Log();
        EXPECT_EQ(game->Log().find("Scene Title"), std::string::npos) << game->Log();
    }
}

TEST(GameProcess, AudioFailureShutsTheScreenDownAndExitsWithOne)
{
    CTempHome home;
    CTempDir dir;
    const char* old = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = old ? old : "dummy";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    CGameProcess game(InstallGame(dir.Path() / "game"));
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    EXPECT_EQ(game.Wait(std::chrono::seconds(30)), 1);
    EXPECT_EQ(game.Log(), "Launching : Korvane Zaduza\nCould not initialize BASS");
}

// Without a display SDL would run the game on a driver that shows nothing.
TEST(GameProcess, WithoutADisplayOneLineSaysSoAndTheExitCodeIsOne)
{
    CTempHome home;
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"})
    {
        if (const char* value = std::getenv(name))
            saved.emplace_back(name, value);
        unsetenv(name);
    }
    CGameProcess game(KORVANE_EXE);
    for (const auto& [name, value] : saved)
        setenv(name.c_str(), value.c_str(), 1);
    EXPECT_EQ(game.Wait(std::chrono::seconds(30)), 1);
    EXPECT_EQ(game.Log(), "Launching : Korvane Zaduza\nNo display: start Korvane Zaduza from a "
                          "desktop session (DISPLAY or WAYLAND_DISPLAY is not set)\n");
}

// Both games run at once: each takes its splash's three seconds.
TEST(GameProcess, OddFolderGarbageSettingsAndMissingImageStillStartAndEndOnSignals)
{
    CTempHome home;
    fs::create_directories(home.ConfigHome() / "korvane");
    std::ofstream(home.ConfigHome() / "korvane" / "settings.ini")
        << "\x01\x02 junk\nFullScreen=zz\n";
    CTempDir dir;
    const fs::path exe = InstallGame(dir.Path() / "Jeux d'été" / "Korvane Zaduza", {"note1.png"});
    CGameProcess terminated(exe), interrupted(exe);
    for (auto [game, signal] : {std::pair{&terminated, SIGTERM}, std::pair{&interrupted, SIGINT}})
    {
        ASSERT_TRUE(game->WaitFor("Scene Title starting\n", std::chrono::seconds(60)))
            << game->Log();
        game->Signal(signal);
    }
    for (CGameProcess* game : {&terminated, &interrupted})
    {
        EXPECT_EQ(game->Wait(std::chrono::seconds(20)), 0) << game->Log();
        const std::string& log = game->Log();
        EXPECT_NE(
            log.find("Could not load : " + (exe.parent_path() / "data/note1.png").string() + "\n"),
            std::string::npos)
            << log;
        EXPECT_NE(log.find("Scene Splash starting\nScene Splash ending\nScene Title starting\n"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("Scene Title ending\nThe End\n"), std::string::npos) << log;
    }
}
