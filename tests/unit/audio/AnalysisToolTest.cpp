#include "audio/Audio.h"
#include "audio/map/AudioMap.h"
#include "audio/map/Sample.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
struct SRun
{
    int ExitCode = -1;
    std::vector<std::string> Out;
    std::string Err;
};

// Runs korvane-analyze with the arguments (already shell-quoted by the caller).
SRun RunTool(const std::string& args, const fs::path& dir)
{
    const fs::path out = dir / "out.txt";
    const fs::path err = dir / "err.txt";
    const std::string command = std::string(KORVANE_ANALYZE_PATH) + " " + args + " >'" +
                                out.string() + "' 2>'" + err.string() + "'";
    SRun run;
    const int status = std::system(command.c_str());
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream outFile(out);
    for (std::string line; std::getline(outFile, line);)
        run.Out.push_back(line);
    std::stringstream errText;
    errText << std::ifstream(err).rdbuf();
    run.Err = errText.str();
    return run;
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, ',');)
        fields.push_back(field);
    return fields;
}

TEST(AnalysisToolTest, PrintsTheGamesMapOfASong)
{
    CTempDir dir;
    const fs::path song = dir.Path() / "two notes.wav";
    auto pcm = SongFactory::Scale(22050, 1, 57, 2, 1.0, 0.5);
    ASSERT_TRUE(SongFactory::Write(song, pcm, SongFactory::EFormat::Wav));

    // The same analysis in this process, as the battle runs it.
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    ASSERT_TRUE(audio.OpenForAnalysis(song.string()));
    audio.GetAnalysis().StartDecoding();
    while (audio.GetAnalysis().DecodeStep() < 1000)
    {
    }
    audio.GetAnalysis().RemoveJumps();
    audio.GetAnalysis().BuildWeapons();
    audio.CloseAnalysis();
    std::vector<std::string> expected = {
        "# file: two notes.wav",
        "# rate: 22050 channels: 1 length_bytes: " + std::to_string(pcm.Bytes()),
        "# max_level: " + std::to_string(audio.GetAnalysis().GetMaxLevelLeft()) + " " +
            std::to_string(audio.GetAnalysis().GetMaxLevelRight()),
    };
    char multiplier[64];
    std::snprintf(multiplier, sizeof multiplier, "# level_multiplier: %f",
                  audio.GetAnalysis().GetLevelMultiplier());
    expected.push_back(multiplier);
    const CAudioMap& map = *audio.GetAudioMap();
    expected.push_back("# min_intensity: " + std::to_string(map.GetMinIntensity()));
    expected.push_back("# weapons: " + std::to_string(map.GetWeaponCount()));
    expected.push_back("# samples: " + std::to_string(map.GetSamples().size()));
    expected.push_back("index,position,dominant,level,kind");
    int index = 0;
    for (const auto& s : map.GetSamples())
        expected.push_back(std::to_string(index++) + "," + std::to_string(s->GetPosition()) + "," +
                           std::to_string(s->GetDominant()) + "," +
                           std::to_string(s->GetDominantLevel()) + "," +
                           std::to_string(int(s->GetKind())));
    ASSERT_GT(map.GetSamples().size(), 5u);
    audio.Shutdown();

    const SRun plain = RunTool("'" + song.string() + "'", dir.Path());
    EXPECT_EQ(plain.ExitCode, 0) << plain.Err;
    EXPECT_EQ(plain.Out, expected);
    EXPECT_NE(plain.Err.find("pass 2 over"), std::string::npos) << "the game's log on stderr";

    const SRun levels = RunTool("--levels '" + song.string() + "'", dir.Path());
    ASSERT_EQ(levels.ExitCode, 0);
    ASSERT_EQ(levels.Out.size(), expected.size());
    const auto header = Split(levels.Out[7]);
    ASSERT_EQ(header.size(), 5u + 96u);
    EXPECT_EQ(header[5], "level0");
    EXPECT_EQ(header[100], "level95");
    for (size_t i = 8; i < levels.Out.size(); ++i)
    {
        const auto fields = Split(levels.Out[i]);
        ASSERT_EQ(fields.size(), 101u) << i;
        EXPECT_EQ(levels.Out[i].rfind(expected[i] + ",", 0), 0u) << i;
        EXPECT_EQ(fields[5 + std::stoi(fields[2])], fields[3]) << "dominant level, line " << i;
    }
}

TEST(AnalysisToolTest, RefusesWhatItCannotAnalyse)
{
    CTempDir dir;
    struct SCase
    {
        std::string Args;
        int ExitCode;
        bool HelpOnStdout;
    };
    const SCase cases[] = {
        {"'" + (dir.Path() / "missing.mp3").string() + "'", 1, false},
        {"/", 1, false},
        {"", 2, false},
        {"--bogus x.mp3", 2, false},
        {"--help", 0, true},
    };
    for (const auto& c : cases)
    {
        const SRun run = RunTool(c.Args, dir.Path());
        EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Args;
        EXPECT_EQ(!run.Out.empty(), c.HelpOnStdout) << c.Args;
        EXPECT_EQ(run.Err.empty(), c.HelpOnStdout) << c.Args;
    }
}
} // namespace
