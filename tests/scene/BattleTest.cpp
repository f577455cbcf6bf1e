#include "app/SharedData.h"
#include "audio/Audio.h"
#include "audio/map/AudioMap.h"
#include "battle/BattleScene.h"
#include "battle/BattleScenery.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderItem.h"
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

// The battle scene's own view for the tests: its state, and when it is deleted.
struct SBattleProbe : CBattleScene
{
    explicit SBattleProbe(bool* alive) : Alive(alive) { *Alive = true; }
    ~SBattleProbe() override { *Alive = false; }
    bool* Alive;

    // The result screen: the run-out is over and the music stream closed.
    bool InResults() const
    {
        return Phase == EBattlePhase::Results && !PlayOver && Audio->GetMusic()->GetHandle() == 0;
    }
    int ResultPhase() const { return Results.GetPhase(); }
    int Trophy() const { return Results.GetTrophy(); }
    bool NewBest() const { return Results.IsNewBest(); }

    using CBattleScene::Clock;
    using CBattleScene::LoadingShown;
    using CBattleScene::Paused;
    using CBattleScene::Rules;
    using CBattleScene::Timeline;
};

namespace fs = std::filesystem;

namespace
{
CTempDir* Songs = nullptr; // short songs made once for the whole program

size_t Occurrences(const std::string& text, const std::string& line)
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
    // Once per song, when its analysis is complete.
    bool JustLoaded(size_t& seen)
    {
        const size_t loaded = Count("Decoding complete\n");
        const bool fresh = loaded > seen;
        seen = loaded;
        return fresh;
    }

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

TEST_F(BattleTest, SongLoopChoosesWhatFollows)
{
    const struct
    {
        const char* Name;
        uint32_t Start;
        bool Continuous;
        std::vector<SDLKey> AtLoaded; // the n-th key once the n-th song is analysed
        SDLKey AtResults;             // on every result screen; none: the window is closed
        std::vector<uint32_t> Played;
        bool BackToBrowser;
        // "pipe": a named pipe, never to be opened; "gone": a song removed once analysed
        const char* Second = "b";
        size_t Skipped = 0;
    } cases[] = {
        {"PageDown on the last wraps",
         3,
         false,
         {SDLK_PAGEDOWN, SDLK_q},
         SDLK_ESCAPE,
         {3, 1},
         true},
        {"PageUp on the first wraps", 1, false, {SDLK_PAGEUP, SDLK_q}, SDLK_ESCAPE, {1, 3}, true},
        {"continuous play ends with the folder", 2, true, {}, SDLK_ESCAPE, {2, 3}, true},
        {"Q on the result screen", 1, true, {}, SDLK_q, {1}, true},
        {"closing the result screen", 1, true, {}, SDLK_UNKNOWN, {1}, false},
        {"PageDown passes over a pipe",
         1,
         false,
         {SDLK_PAGEDOWN, SDLK_q},
         SDLK_ESCAPE,
         {1, 3},
         true,
         "pipe",
         1},
        {"continuous play passes over it", 1, true, {}, SDLK_ESCAPE, {1, 3}, true, "pipe", 1},
        {"a chosen pipe goes back at once", 2, false, {}, SDLK_ESCAPE, {2}, true, "pipe", 0},
        {"no song at the entry", 9, false, {}, SDLK_ESCAPE, {9}, true},
        {"PageUp passes over a song gone since its analysis",
         3,
         false,
         {SDLK_PAGEUP, SDLK_q},
         SDLK_ESCAPE,
         {3, 2, 1},
         true,
         "gone",
         1},
        {"a chosen song gone since its analysis goes back",
         2,
         false,
         {},
         SDLK_ESCAPE,
         {2},
         true,
         "gone",
         0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        const fs::path second = Songs->Path() / (std::string(c.Second) + ".ogg");
        const bool gone = c.Second == std::string("gone");
        if (gone)
            fs::copy_file(Songs->Path() / "a.ogg", second, fs::copy_options::overwrite_existing);
        SBattleRun run({"a", c.Second, "c"}, c.Start, c.Continuous);
        size_t loaded = 0;
        int answered = -1; // the result phase last answered with a key
        const auto played = run.Play(
            [&](SBattleProbe& battle)
            {
                if (gone && battle.LoadingShown == 1000 && run.Harness.Shared().SelectedItem == 2)
                    fs::remove(second);
                if (run.JustLoaded(loaded) && loaded <= c.AtLoaded.size())
                    CSceneHarness::Push(CSceneHarness::Key(c.AtLoaded[loaded - 1]));
                if (!battle.InResults() || battle.ResultPhase() > 1)
                    answered = -1;
                else if (std::exchange(answered, battle.ResultPhase()) != battle.ResultPhase())
                    CSceneHarness::Push(c.AtResults == SDLK_UNKNOWN
                                            ? CSceneHarness::Quit()
                                            : CSceneHarness::Key(c.AtResults));
            });
        EXPECT_EQ(played, c.Played);
        const std::string log = run.Harness.LogText();
        EXPECT_EQ(Occurrences(log, "Scene Battle ending\nScene "), c.BackToBrowser ? 1u : 0u);
        EXPECT_EQ(Occurrences(log, "Skipping " + second.string() + "\n"), c.Skipped);
        // The song is named between its analysis and its time base, and only once it plays.
        EXPECT_EQ(Occurrences(log, "Decoding complete\nPlaying " + Songs->Path().string() + "/"),
                  Occurrences(log, "\nBytes per lines : "));
        EXPECT_EQ(Occurrences(log, ".ogg\nBytes per lines : "), Occurrences(log, "\nPlaying "));
        if (gone)
        {
            EXPECT_EQ(Occurrences(log, "Decoding complete\nCould not load " + second.string()), 1u);
        }
    }
}

// Escape pauses the analysis where it is and resumes it there; losing the focus there only
// frees the pointer, while playing it pauses the song; a pause carried over PageDown goes on
// in the next song's loading screen. The scene clock stands still while paused.
TEST_F(BattleTest, PausesKeepTheirPlaceAndReleaseThePointer)
{
    SBattleRun run({"long", "a"}, 1);
    enum EStep
    {
        PauseLoading,
        HoldPause,
        LoseFocusLoading,
        RegainFocusLoading,
        FocusBackLoading,
        PlayAfterCountIn,
        LoseFocus,
        NextSongPaused,
        Done
    } step = PauseLoading;
    size_t progressAtPause = 0;
    int pausedFrames = 0;
    int64_t pausedAt = 0;
    int32_t shownBeforeFocusLoss = 0;
    const auto progressLines = [&] { return run.Count("Decode progress : "); };
    const auto pointerFree = []
    {
        return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE &&
               SDL_WM_GrabInput(SDL_GRAB_QUERY) == SDL_GRAB_OFF;
    };
    run.Play(
        [&](SBattleProbe& battle)
        {
            CAudio& audio = *run.Harness.Shared().Audio;
            switch (step)
            {
            case PauseLoading:
                if (run.Count("Decode progress : 100 %") == 1)
                {
                    CSceneHarness::Push(CSceneHarness::Key(SDLK_ESCAPE));
                    step = HoldPause;
                }
                break;
            case HoldPause:
                EXPECT_TRUE(battle.Paused);
                EXPECT_TRUE(pointerFree());
                if (pausedFrames++ == 0)
                {
                    progressAtPause = progressLines();
                    pausedAt = battle.Clock.NowMs();
                }
                EXPECT_EQ(progressLines(), progressAtPause);
                EXPECT_EQ(battle.Clock.NowMs(), pausedAt);
                if (pausedFrames == 10)
                {
                    EXPECT_LT(progressAtPause, 10u) << "paused before the analysis ended";
                    CSceneHarness::Push(CSceneHarness::Key(SDLK_ESCAPE));
                    step = LoseFocusLoading;
                }
                break;
            case LoseFocusLoading:
                EXPECT_FALSE(battle.Paused);
                EXPECT_FALSE(pointerFree());
                shownBeforeFocusLoss = battle.LoadingShown;
                CSceneHarness::Push(CSceneHarness::Focus(false));
                step = RegainFocusLoading;
                break;
            case RegainFocusLoading:
                EXPECT_FALSE(battle.Paused);
                EXPECT_TRUE(pointerFree());
                EXPECT_GT(battle.LoadingShown, shownBeforeFocusLoss) << "the analysis goes on";
                CSceneHarness::Push(CSceneHarness::Focus(true));
                step = FocusBackLoading;
                break;
            case FocusBackLoading:
                EXPECT_FALSE(pointerFree());
                step = PlayAfterCountIn;
                break;
            case PlayAfterCountIn:
                if (run.Count("Bytes per lines") == 1 && !battle.Timeline.CountIn)
                {
                    EXPECT_FALSE(battle.Paused);
                    EXPECT_FALSE(pointerFree());
                    EXPECT_TRUE(audio.GetMusic()->IsPlaying());
                    CSceneHarness::Push(CSceneHarness::Focus(false));
                    step = LoseFocus;
                }
                break;
            case LoseFocus:
                EXPECT_TRUE(battle.Paused);
                EXPECT_TRUE(pointerFree());
                EXPECT_FALSE(audio.GetMusic()->IsPlaying());
                CSceneHarness::Push(CSceneHarness::Key(SDLK_PAGEDOWN));
                step = NextSongPaused;
                break;
            case NextSongPaused:
                if (run.Harness.Shared().SelectedItem == 2)
                {
                    EXPECT_TRUE(battle.Paused);
                    EXPECT_TRUE(pointerFree());
                    CSceneHarness::Push(CSceneHarness::Key(SDLK_q));
                    step = Done;
                }
                break;
            case Done:
                break;
            }
        });
    EXPECT_EQ(step, Done);
    // The first song's analysis went through every tenth exactly once, in order; the
    // thousandths are logged, not the percentage.
    const std::string log = run.Harness.LogText();
    size_t at = 0;
    for (int progress = 100; progress <= 1000; progress += 100)
    {
        const std::string line = "Decode progress : " + std::to_string(progress) + " %\n";
        EXPECT_EQ(Occurrences(log, line), 1u) << line;
        at = log.find(line, at);
        EXPECT_NE(at, std::string::npos) << line;
    }
}

// Every weapon caught: the perfect trophy, saved at once; the bar pours into the rating.
// A song without weapons rates 0 % without a trophy and saves nothing.
TEST_F(BattleTest, PerfectSongIsRatedAndSavedEvenWhenTheResultIsSkipped)
{
    const struct
    {
        const char* Song;
        float Speed;
        bool Skip;
        std::string File; // the song's highscore file afterwards: Slow, Normal, Fast
    } cases[] = {
        {"b", 2.0f, false, std::string("\x64\0\0\0\0\0\0\0\0\0\0\0", 12)},
        {"b", 1.2f, true, std::string("\x64\0\0\0\x64\0\0\0\0\0\0\0", 12)},
        {"quiet", 2.0f, false, ""},
    };
    for (const auto& c : cases)
    {
        SBattleRun run({c.Song}, 1);
        run.Harness.Shared().Speed = c.Speed;
        SDL_Color barAtStart{}, barAtEnd{};
        int answered = -1;
        bool perfect = false;
        run.Play(
            [&](SBattleProbe& battle)
            {
                // A shield as wide as the field catches each weapon at its lower end.
                battle.Rules.CatchLeft = Lane::FieldLeft;
                battle.Rules.CatchRight = Lane::FieldRight;
                if (!battle.InResults() || battle.ResultPhase() > 1 ||
                    std::exchange(answered, battle.ResultPhase()) == battle.ResultPhase())
                    return;
                const CBattleRules& rules = battle.Rules;
                if (battle.ResultPhase() == 0)
                {
                    perfect = c.File.empty()
                                  ? rules.MaxScore == 0 && battle.Trophy() == 0 && !battle.NewBest()
                                  : rules.MaxScore > 0 && rules.Score == rules.MaxScore &&
                                        rules.MissedCount == 0 && battle.Trophy() == 4 &&
                                        battle.NewBest();
                    barAtStart = ScreenPixel(*run.Harness.Shared().Graphics, 400, 580);
                }
                else
                    barAtEnd = ScreenPixel(*run.Harness.Shared().Graphics, 400, 580);
                if (c.Skip || battle.ResultPhase() == 1)
                    CSceneHarness::Push(CSceneHarness::Key(SDLK_ESCAPE));
            });
        EXPECT_TRUE(perfect);
        std::ifstream file(std::getenv("XDG_DATA_HOME") + std::string("/korvane/") + c.Song +
                               "-264600.hs",
                           std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
        EXPECT_EQ(bytes, c.File);
        if (!c.Skip && !c.File.empty())
        {
            EXPECT_NE(barAtStart.r + barAtStart.g * 256, barAtEnd.r + barAtEnd.g * 256)
                << "the full bar at the start, the empty one after 4 s";
        }
    }
}

// Two misses in one frame throw one rock at the last one's column; the houses drop to plain,
// and only those within 47 pixels raise their shields. A rising multiplier makes them dance.
// The village's animation steps every 125 ms while a song plays and rests otherwise.
TEST_F(BattleTest, MissesThrowOneRockAndShieldTheNearHouses)
{
    CSceneHarness harness;
    CSharedData& shared = harness.Shared();
    CBattleScenery scenery;
    scenery.Load(shared.Note1Image, shared.Note2Image);
    scenery.Lay(shared.Timer, 0);
    scenery.Answer({0, 0, false}, 4, 0, shared.Timer);
    EXPECT_EQ(scenery.GetHouse(7).GetLevel(), CHouse::PlainLevel);
    scenery.Answer({0, 0, true}, 4, 0, shared.Timer);
    EXPECT_EQ(scenery.GetHouse(7).GetLevel(), 4);
    scenery.Answer({2, Lane::ColumnX(36), true}, 4, 0, shared.Timer);
    ASSERT_EQ(scenery.GetRocks().size(), 1u);
    EXPECT_EQ(scenery.GetHouse(7).GetLevel(), CHouse::PlainLevel);
    // The miss is at x = 100: the house at 90 (centre 122) is shielded, the one at 150
    // (centre 182) is not.
    EXPECT_TRUE(scenery.GetHouse(0).IsShieldOn());
    EXPECT_FALSE(scenery.GetHouse(1).IsShieldOn());

    // The debris rises 48 pixels in the first second and falls back in the next.
    const CRock& rock = scenery.GetRocks().front();
    const int drift = rock.GetDriftX();
    const struct
    {
        uint32_t Age;
        int X, Y, Frame;
    } places[] = {
        {0, 100, 550 - 8, 0},
        {500, int(100 + drift * 0.25f), int(550 - std::pow(0.5f, 0.3f) * 48) - 8, 5},
        {1000, int(100 + drift * 0.5f), 550 - 48, 0},
        {2000, 100 + drift, 550, 2},
    };
    for (const auto& p : places)
    {
        const CRock::SPlace place = rock.PlaceAt(p.Age);
        EXPECT_EQ(place.X, p.X) << p.Age;
        EXPECT_EQ(place.Y, p.Y) << p.Age;
        EXPECT_EQ(place.Frame, p.Frame) << p.Age;
    }

    scenery.StartAnimation(0);
    for (const auto& [nowMs, playing, frame] : {std::tuple{100, true, 0},
                                                {126, true, 1},
                                                {200, true, 1},
                                                {252, true, 2},
                                                {378, true, 3},
                                                {504, true, 0},
                                                {630, false, 1},
                                                {760, true, 2},
                                                {2001, true, 3},
                                                {2100, true, 3}})
    {
        scenery.Update(nowMs, playing, shared.Timer);
        EXPECT_EQ(scenery.GetAnimationFrame(), frame) << nowMs;
    }
    EXPECT_TRUE(scenery.GetRocks().empty()) << "done after 2 s";
}

// The pictures of the village, with the fading steps of a house's shield.
TEST_F(BattleTest, SceneryPicturesAreLoadedWithTheirAlphas)
{
    CSceneHarness harness;
    SSceneryPictures pictures;
    pictures.Load(harness.Shared().Note1Image, harness.Shared().Note2Image);
    for (int i = 0; i < SSceneryPictures::ShieldSteps; ++i)
    {
        SDL_Surface* shield = pictures.HouseShields[i].GetSurface();
        ASSERT_NE(shield, nullptr);
        EXPECT_TRUE(shield->flags & SDL_SRCALPHA);
        EXPECT_EQ(shield->format->alpha, 120 - 10 * i);
    }
    for (const CImage* image : {&pictures.Booms[7], &pictures.BoomBase, &pictures.Background})
        EXPECT_NE(image->GetSurface(), nullptr);
}
} // namespace
