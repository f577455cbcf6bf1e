#include "BattleFixture.h"

namespace
{
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
                if (gone && battle.View().LoadingShown == 1000 &&
                    run.Harness.Shared().SelectedItem == 2)
                    fs::remove(second);
                if (run.JustLoaded(battle.View(), loaded) && loaded <= c.AtLoaded.size())
                    CSceneHarness::Push(CSceneHarness::Key(c.AtLoaded[loaded - 1]));
                if (!battle.View().InResults || battle.View().ResultPhase > 1)
                    answered = -1;
                else if (std::exchange(answered, battle.View().ResultPhase) !=
                         battle.View().ResultPhase)
                    CSceneHarness::Push(c.AtResults == SDLK_UNKNOWN
                                            ? CSceneHarness::Quit()
                                            : CSceneHarness::Key(c.AtResults));
            });
        EXPECT_EQ(played, c.Played);
        const std::string log = run.Harness.LogText();
        const auto& asked = run.Harness.Asked();
        EXPECT_EQ(asked.size(), c.BackToBrowser ? 1u : 0u);
        EXPECT_TRUE(asked.empty() || asked[0].Id == ESceneId::MusicSelect);
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
    int32_t progressAtPause = 0;
    int pausedFrames = 0;
    int64_t pausedAt = 0;
    int32_t shownBeforeFocusLoss = 0;
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
                if (battle.View().LoadingShown >= 100)
                {
                    CSceneHarness::Push(CSceneHarness::Key(SDLK_ESCAPE));
                    step = HoldPause;
                }
                break;
            case HoldPause:
                EXPECT_TRUE(battle.View().Paused);
                EXPECT_TRUE(pointerFree());
                if (pausedFrames++ == 0)
                {
                    progressAtPause = battle.View().LoadingShown;
                    pausedAt = battle.View().NowMs;
                }
                EXPECT_EQ(battle.View().LoadingShown, progressAtPause);
                EXPECT_EQ(battle.View().NowMs, pausedAt);
                if (pausedFrames == 10)
                {
                    EXPECT_LT(progressAtPause, 1000) << "paused before the analysis ended";
                    CSceneHarness::Push(CSceneHarness::Key(SDLK_ESCAPE));
                    step = LoseFocusLoading;
                }
                break;
            case LoseFocusLoading:
                EXPECT_FALSE(battle.View().Paused);
                EXPECT_FALSE(pointerFree());
                shownBeforeFocusLoss = battle.View().LoadingShown;
                CSceneHarness::Push(CSceneHarness::Focus(false));
                step = RegainFocusLoading;
                break;
            case RegainFocusLoading:
                EXPECT_FALSE(battle.View().Paused);
                EXPECT_TRUE(pointerFree());
                EXPECT_GT(battle.View().LoadingShown, shownBeforeFocusLoss)
                    << "the analysis goes on";
                CSceneHarness::Push(CSceneHarness::Focus(true));
                step = FocusBackLoading;
                break;
            case FocusBackLoading:
                EXPECT_FALSE(pointerFree());
                step = PlayAfterCountIn;
                break;
            case PlayAfterCountIn:
                if (battle.View().Phase == EBattlePhase::Playing && !battle.View().CountIn)
                {
                    EXPECT_FALSE(battle.View().Paused);
                    EXPECT_FALSE(pointerFree());
                    EXPECT_TRUE(audio.GetMusic()->IsPlaying());
                    CSceneHarness::Push(CSceneHarness::Focus(false));
                    step = LoseFocus;
                }
                break;
            case LoseFocus:
                EXPECT_TRUE(battle.View().Paused);
                EXPECT_TRUE(pointerFree());
                EXPECT_FALSE(audio.GetMusic()->IsPlaying());
                CSceneHarness::Push(CSceneHarness::Key(SDLK_PAGEDOWN));
                step = NextSongPaused;
                break;
            case NextSongPaused:
                if (run.Harness.Shared().SelectedItem == 2)
                {
                    EXPECT_TRUE(battle.View().Paused);
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
} // namespace
