#include "TestHelpers.h"

#include "app/SharedData.h"
#include "songs/FolderItem.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
volatile sig_atomic_t KillOnRename = 0;
}

// Every rename of this test program passes through here. A writer can thus be killed after
// it has written and flushed its temporary file but before that file takes the old one's place.
extern "C" int rename(const char* from, const char* to)
{
    if (KillOnRename)
        raise(SIGKILL);
    return renameat(AT_FDCWD, from, AT_FDCWD, to);
}

namespace
{
TEST(AtomicReplaceTest, WriterKilledBeforeTheRenameLeavesTheOldFileWhole)
{
    CTempHome home;
    CTempDir program;
    CSharedData shared;
    shared.ProgramFolder = program.Path().string() + "/";
    const fs::path file = program.Path() / "highscores" / "Crash-2048.hs";

    CFolderItem song(&shared, "crash.mp3", CFolderItem::SongKind);
    song.Title = "Crash";
    ASSERT_TRUE(song.SaveHighscore(40, 2048));
    const std::string before = ReadWholeFile(file);
    ASSERT_EQ(before.size(), 12u);

    std::fflush(nullptr);
    const pid_t writer = fork();
    if (writer == 0)
    {
        KillOnRename = 1;
        song.SaveHighscore(95, 2048);
        _exit(0); // reached only if the save never renamed anything
    }
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the writer must have reached the rename";

    EXPECT_EQ(ReadWholeFile(file), before);
    CFolderItem reread(&shared, "crash.mp3", CFolderItem::SongKind);
    reread.Title = "Crash";
    reread.LoadHighscores(2048);
    EXPECT_EQ(reread.GetBestRating(), 40);

    // The next save, not interrupted, replaces the file whole.
    EXPECT_TRUE(reread.SaveHighscore(95, 2048));
    EXPECT_EQ(ReadWholeFile(file).size(), 12u);
    reread.BestRatings[0] = 0;
    reread.LoadHighscores(2048);
    EXPECT_EQ(reread.GetBestRating(), 95);
}
} // namespace
