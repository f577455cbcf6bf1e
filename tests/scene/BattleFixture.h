#pragma once
// What the battle's scene tests share: short songs made once for the program, one battle
// run on the real engines, and the scene's state seen from inside.
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "audio/map/AudioMap.h"
#include "battle/BattleScene.h"
#include "battle/BattleScenery.h"
#include "graphics/Graphics.h"
#include "songs/FolderItem.h"
#include "support/SceneRunner.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <tuple>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

// A battle scene that tells when it is deleted; its state is read through View().
struct SBattleProbe : CBattleScene
{
    explicit SBattleProbe(bool* alive) : Alive(alive) { *Alive = true; }
    ~SBattleProbe() override { *Alive = false; }
    bool* Alive;
};

inline CTempDir* Songs = nullptr; // short songs made once for the whole program

inline size_t Occurrences(const std::string& text, const std::string& line)
{
    size_t n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++n;
    return n;
}

// One battle on the real engines: a folder of "..", then songs; the scene starts at entry
// selected. Whatever comes after the battle is closed at once.
struct SBattleRun
{
    SBattleRun(const std::vector<std::string>& songs, uint32_t selected, bool continuous = false)
    {
        CSharedData& shared = Harness.Shared();
        shared.CommonHighscores = false;
        shared.PlayContinuous = continuous;
        shared.CurrentPath = Songs->Path().string() + "/";
        shared.FolderItems.push_back(
            std::make_unique<CFolderItem>(&shared, "..", CFolderItem::FolderKind));
        for (const std::string& song : songs)
            shared.FolderItems.push_back(
                std::make_unique<CFolderItem>(&shared, song + ".ogg", CFolderItem::SongKind));
        shared.FirstSongItem = 1;
        shared.SelectedItem = selected;
    }
    // react is called after every frame while the scene lives. Returns the entries played.
    std::vector<uint32_t> Play(std::function<void(SBattleProbe&)> react)
    {
        bool alive = false;
        auto* battle = new SBattleProbe(&alive);
        std::vector<uint32_t> played{Harness.Shared().SelectedItem};
        Harness.EachFrame(
            [&](uint64_t)
            {
                if (!alive)
                    return CSceneHarness::Push(CSceneHarness::Quit());
                if (Harness.Shared().SelectedItem != played.back())
                    played.push_back(Harness.Shared().SelectedItem);
                react(*battle);
            });
        Harness.Run(battle);
        EXPECT_FALSE(Harness.HitFrameLimit());
        return played;
    }
    size_t Count(const std::string& line) { return Occurrences(Harness.LogText(), line); }
    // Once per song played, in its first frame of play; `loaded` counts them.
    bool JustLoaded(const SBattleView& view, size_t& loaded)
    {
        const bool fresh = view.Phase == EBattlePhase::Playing && !Playing;
        Playing = view.Phase == EBattlePhase::Playing;
        loaded += fresh;
        return fresh;
    }
    bool Playing = false;

    CSceneHarness Harness;
};

class BattleTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Songs = new CTempDir();
        // Only "b" needs a whole melody; the songs played through are the music's real time.
        for (const char* name : {"a", "b", "c"})
            SongFactory::Write(Songs->Path() / (std::string(name) + ".ogg"),
                               SongFactory::Scale(44100, 2, 60, name[0] == 'b' ? 6 : 2, 0.25),
                               SongFactory::EFormat::Ogg);
        SongFactory::Write(Songs->Path() / "quiet.ogg", SongFactory::Silence(44100, 2, 0.5),
                           SongFactory::EFormat::Ogg);
        // Long enough for its analysis to show every thousandth.
        SongFactory::Write(Songs->Path() / "long.ogg", SongFactory::Scale(44100, 1, 48, 60, 1.5),
                           SongFactory::EFormat::Ogg);
        ASSERT_EQ(::mkfifo((Songs->Path() / "pipe.ogg").c_str(), 0644), 0);
    }
    static void TearDownTestSuite() { delete Songs; }
};
