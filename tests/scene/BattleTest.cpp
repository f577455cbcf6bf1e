#include "app/SharedData.h"
#include "audio/Audio.h"
#include "audio/AudioMap.h"
#include "battle/BattleScene.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderItem.h"
#include "support/SceneRunner.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <utility>
#include <vector>

// The battle scene's own view for the tests: its rules, its state, and when it is deleted.
struct SBattleProbe : CBattleScene
{
    explicit SBattleProbe(bool* alive = nullptr) : Alive(alive)
    {
        if (Alive)
            *Alive = true;
    }
    ~SBattleProbe() override
    {
        if (Alive)
            *Alive = false;
    }
    bool* Alive;

    // The result screen: the run-out is over and the music stream closed.
    bool InResults() const { return Finished && Audio->GetMusic()->GetHandle() == 0; }
    // Rules without a song: the assets and layout of a real scene on a hand-made lane.
    void Prepare(CSharedData& shared)
    {
        SetShared(&shared);
        Map = Audio->GetAudioMap();
        LoadAssets();
        LayoutScene();
        BytesPerLine = 100;
        CountIn = false;
    }
    // Weapons as (note, rows long) with a silent row between them, from position 0 on.
    // Returns the start position of each weapon.
    std::vector<int64_t> Lane(const std::vector<std::pair<int, int>>& weapons)
    {
        Map->Clear();
        std::vector<int64_t> starts;
        int64_t at = 0;
        for (const auto& [note, rows] : weapons)
        {
            for (const bool loud : {false, true})
            {
                auto* sample = new CSample();
                sample->SetPosition(at);
                Map->AddSample(sample);
                sample->SetDominant(loud ? note : 0);
                sample->SetActive(loud);
                if (loud)
                    starts.push_back(at);
                at += (loud ? rows : 1) * BytesPerLine;
            }
        }
        auto* end = new CSample();
        end->SetPosition(at);
        Map->AddSample(end);
        end->SetActive(false);
        const CSample* previous = nullptr;
        for (const auto& sample : Map->GetSamples())
        {
            sample->ClassifyKind(previous, nullptr);
            previous = sample.get();
        }
        Map->ResetCursor();
        return starts;
    }
    // Scans the lane with a weapon starting at start showing its lower end at row.
    void ScanWithLowerEndAt(int64_t start, int row)
    {
        Position = start - (row - 100) * BytesPerLine + 1;
        ScanLane();
    }
    const CSample& First() const { return *std::next(Map->GetSamples().begin())->get(); }

    using CBattleScene::CatchLeft;
    using CBattleScene::CatchRight;
    using CBattleScene::CaughtCount;
    using CBattleScene::CountIn;
    using CBattleScene::Houses;
    using CBattleScene::MaxScore;
    using CBattleScene::MinimX;
    using CBattleScene::MissedCount;
    using CBattleScene::Multiplier;
    using CBattleScene::NewBest;
    using CBattleScene::OnCatch;
    using CBattleScene::OnMiss;
    using CBattleScene::OnMouseMotion;
    using CBattleScene::Paused;
    using CBattleScene::ResultPhase;
    using CBattleScene::Rocks;
    using CBattleScene::Score;
    using CBattleScene::SetShield;
    using CBattleScene::Streak;
    using CBattleScene::Trophy;
};

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
        for (const char* name : {"a", "b", "c"})
            SongFactory::Write(Songs->Path() / (std::string(name) + ".ogg"),
                               SongFactory::Scale(44100, 2, 60, 6, 0.25),
                               SongFactory::EFormat::Ogg);
        SongFactory::Write(Songs->Path() / "quiet.ogg", SongFactory::Silence(44100, 2, 1.5),
                           SongFactory::EFormat::Ogg);
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
        const char* Second = "b"; // "pipe": a named pipe, never to be opened
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
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        SBattleRun run({"a", c.Second, "c"}, c.Start, c.Continuous);
        size_t loaded = 0;
        int answered = -1; // the result phase last answered with a key
        const auto played = run.Play(
            [&](SBattleProbe& battle)
            {
                if (run.JustLoaded(loaded) && loaded <= c.AtLoaded.size())
                    CSceneHarness::Push(CSceneHarness::Key(c.AtLoaded[loaded - 1]));
                if (!battle.InResults() || battle.ResultPhase > 1)
                    answered = -1;
                else if (std::exchange(answered, battle.ResultPhase) != battle.ResultPhase)
                    CSceneHarness::Push(c.AtResults == SDLK_UNKNOWN
                                            ? CSceneHarness::Quit()
                                            : CSceneHarness::Key(c.AtResults));
            });
        EXPECT_EQ(played, c.Played);
        const std::string log = run.Harness.LogText();
        EXPECT_EQ(Occurrences(log, "Scene Battle ending\nScene "), c.BackToBrowser ? 1u : 0u);
        EXPECT_EQ(Occurrences(log, "Skipping " + (Songs->Path() / "pipe.ogg").string() + "\n"),
                  c.Skipped);
    }
}

// Escape pauses the analysis where it is and resumes it there; losing the focus pauses the
// song; a pause carried over PageDown goes on in the next song's loading screen.
TEST_F(BattleTest, PausesKeepTheirPlaceAndReleaseThePointer)
{
    SBattleRun run({"long", "a"}, 1);
    enum EStep
    {
        PauseLoading,
        HoldPause,
        PlayAfterCountIn,
        LoseFocus,
        NextSongPaused,
        Done
    } step = PauseLoading;
    size_t progressAtPause = 0;
    int pausedFrames = 0;
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
                    progressAtPause = progressLines();
                EXPECT_EQ(progressLines(), progressAtPause);
                if (pausedFrames == 10)
                {
                    EXPECT_LT(progressAtPause, 10u) << "paused before the analysis ended";
                    CSceneHarness::Push(CSceneHarness::Key(SDLK_ESCAPE));
                    step = PlayAfterCountIn;
                }
                break;
            case PlayAfterCountIn:
                if (!battle.Paused && run.Count("Bytes per lines") == 1 && !battle.CountIn)
                {
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
                battle.CatchLeft = 40;
                battle.CatchRight = 760;
                if (!battle.InResults() || battle.ResultPhase > 1 ||
                    std::exchange(answered, battle.ResultPhase) == battle.ResultPhase)
                    return;
                if (battle.ResultPhase == 0)
                {
                    perfect = c.File.empty()
                                  ? battle.MaxScore == 0 && battle.Trophy == 0 && !battle.NewBest
                                  : battle.MaxScore > 0 && battle.Score == battle.MaxScore &&
                                        battle.MissedCount == 0 && battle.Trophy == 4 &&
                                        battle.NewBest;
                    barAtStart = ScreenPixel(*run.Harness.Shared().Graphics, 400, 580);
                }
                else
                    barAtEnd = ScreenPixel(*run.Harness.Shared().Graphics, 400, 580);
                if (c.Skip || battle.ResultPhase == 1)
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

TEST_F(BattleTest, CatchesOnlyTheLowerEndWithinTheShieldsReachAndSpan)
{
    CSceneHarness harness;
    SBattleProbe battle;
    battle.Prepare(harness.Shared());
    const int centre = 345; // note 60's column is x = 340..349
    // A 50-row beam whose lower end is at Row; below the reach, the shield under its middle
    // only marks the touch.
    const struct
    {
        int Width, Row, Left, Right; // Left/Right 0: the shield's own span around the column
        bool Caught, Touched;
    } cases[] = {
        {60, 1, 0, 0, true, false},
        {60, 0, 0, 0, false, true},
        {90, 36, 0, 0, true, false},
        {90, 35, 0, 0, false, true},
        {120, 71, 0, 0, true, false},
        {120, 70, 0, 0, false, true},
        {120, 105, 0, 0, true, false},
        {120, 106, 0, 0, false, false},
        {90, 50, centre, 500, false, false},
        {90, 50, 200, centre, false, false},
        {90, 50, centre - 1, centre + 1, true, false},
    };
    for (const auto& c : cases)
    {
        const int64_t start = battle.Lane({{60, 50}})[0];
        battle.SetShield(c.Width);
        battle.CatchLeft = c.Left ? c.Left : centre - c.Width / 2;
        battle.CatchRight = c.Right ? c.Right : battle.CatchLeft + c.Width;
        battle.ScanWithLowerEndAt(start, c.Row);
        EXPECT_EQ(battle.First().IsCaught(), c.Caught) << c.Width << " at row " << c.Row;
        EXPECT_EQ(battle.First().GetTouchPosition() != 0, c.Touched) << c.Width << " " << c.Row;
    }
    // A fast sweep across the column in one motion catches what it crossed.
    const int64_t start = battle.Lane({{60, 50}})[0];
    battle.SetShield(60);
    battle.MinimX = 40;
    battle.OnMouseMotion(600);
    battle.ScanWithLowerEndAt(start, 50);
    EXPECT_TRUE(battle.First().IsCaught());
}

TEST_F(BattleTest, MissesThrowOneRockAndTheMultiplierClimbsBack)
{
    CSceneHarness harness;
    SBattleProbe battle;
    battle.Prepare(harness.Shared());
    battle.Lane({{40, 5}, {36, 5}});
    battle.CountIn = true;
    battle.ScanWithLowerEndAt(0, -200);
    EXPECT_EQ(battle.MissedCount, 0u) << "nothing is missed during the count-in";
    battle.CountIn = false;
    battle.ScanWithLowerEndAt(0, -200);
    EXPECT_EQ(battle.MissedCount, 2u);
    ASSERT_EQ(battle.Rocks.size(), 1u);
    EXPECT_EQ(battle.Multiplier, 3);
    // The last miss is at x = 100: the house at 90 (centre 122) is shielded, the one at 150
    // (centre 182) is not.
    EXPECT_TRUE(battle.Houses[0].IsShieldOn());
    EXPECT_FALSE(battle.Houses[1].IsShieldOn());

    for (int catches = 1; catches <= 40; ++catches)
    {
        battle.OnCatch();
        const int multiplier = catches < 20 ? 3 : catches < 40 ? 4 : 5;
        ASSERT_EQ(battle.Multiplier, multiplier) << catches;
        ASSERT_EQ(battle.Houses[7].GetLevel(), multiplier) << catches;
    }
    EXPECT_EQ(battle.Score, 20 * 3 + 20 * 4);
    EXPECT_EQ(battle.Streak, 20);

    // The debris rises 48 pixels in the first second and falls back in the next.
    const CRock& rock = battle.Rocks.front();
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
}

} // namespace
