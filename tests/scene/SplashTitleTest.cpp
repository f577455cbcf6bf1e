#include "MenuChecks.h"
#include "Version.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "menus/CreditsScene.h"
#include "menus/HowToPlayScene.h"
#include "menus/OptionsScene.h"
#include "menus/SplashScene.h"
#include "menus/TitleScene.h"
#include "support/SceneRunner.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
using H = CSceneHarness;

bool Started(H& harness, const std::string& scene)
{
    return ("," + harness.SceneSequence() + ",").find("," + scene + ",") != std::string::npos;
}

// Title entries, centred on x = 500, in table order.
constexpr std::pair<const char*, int> Entries[] = {
    {"PLAY", 350}, {"HOW TO PLAY", 392}, {"OPTIONS", 434}, {"CREDITS & INFO", 476}, {"QUIT", 518}};

int EntryLeft(H& harness, int entry)
{
    return 500 - TextSize(harness.Shared(), Entries[entry].first, 2).first / 2;
}
} // namespace

TEST(SplashScene, FadesForExactly103FramesWhateverThePlayerPresses)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    for (uint64_t frame : {0u, 1u, 10u, 50u, 102u})
        for (const SDL_Event& event : {H::Click(400, 300), H::Key(SDLK_ESCAPE), H::Key(SDLK_SPACE)})
            harness.At(frame, event);
    bool titleAt103 = true, titleAt104 = false;
    harness.AtFrame(103, [&](CGraphics&) { titleAt103 = Started(harness, "Title"); });
    harness.AtFrame(104, [&](CGraphics&) { titleAt104 = Started(harness, "Title"); });
    harness.At(105, H::Quit());
    harness.Run(new CSplashScene());
    EXPECT_FALSE(titleAt103);
    EXPECT_TRUE(titleAt104);
    EXPECT_EQ(harness.SceneSequence(), "Splash,Title");
}

TEST(SplashScene, LogoIsCentredAndFadesInAndOutOnBlack)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    CImage logo;
    logo.Load("data/tessel.png", false);
    ASSERT_NE(logo.GetSurface(), nullptr);
    const int w = logo.GetWidth(), h = logo.GetHeight();
    const int x = 400 - w / 2, y = 300 - h / 2;
    // The logo with a one-pixel black frame, as frame 51 (full opacity) must show it.
    std::vector<uint32_t> expected;
    for (int row = -1; row <= h; ++row)
        for (int column = -1; column <= w; ++column)
            expected.push_back(row < 0 || row == h || column < 0 || column == w
                                   ? 0
                                   : SurfaceRgb(logo.GetSurface(), column, row));
    logo.Free();

    std::vector<uint32_t> full;
    harness.AtFrame(51, [&](CGraphics& g) { full = ScreenBlock(g, x - 1, y - 1, w + 2, h + 2); });
    const std::vector<uint64_t> frames = {1, 26, 50, 51, 52, 77, 101, 102, 103};
    std::vector<uint64_t> brightness;
    for (uint64_t frame : frames)
        harness.AtFrame(frame,
                        [&](CGraphics& g)
                        {
                            uint64_t sum = 0;
                            for (uint32_t rgb : ScreenBlock(g, x, y, w, h))
                                sum += (rgb >> 16) + (rgb >> 8 & 0xFF) + (rgb & 0xFF);
                            brightness.push_back(sum);
                        });
    harness.At(103, H::Quit());
    harness.Run(new CSplashScene());

    EXPECT_EQ(full, expected);
    ASSERT_EQ(brightness.size(), frames.size());
    for (size_t i = 1; i < 4; ++i) // rising up to frame 51, then falling to black
        EXPECT_LT(brightness[i - 1], brightness[i]) << "frame " << frames[i];
    for (size_t i = 4; i < 7; ++i)
        EXPECT_GT(brightness[i - 1], brightness[i]) << "frame " << frames[i];
    EXPECT_GT(brightness[6], 0u);
    EXPECT_EQ(brightness[7], 0u);
    EXPECT_EQ(brightness[8], 0u);
}

// Closing the window ends every menu scene at once and nothing follows it.
TEST(MenuScenes, CloseButtonEndsEachSceneWithNoSuccessor)
{
    const std::vector<std::pair<std::string, std::function<CScene*()>>> scenes = {
        {"Splash", [] { return new CSplashScene(); }},
        {"Title", [] { return new CTitleScene(); }},
        {"Options", [] { return new COptionsScene(); }},
        {"How To Play", [] { return new CHowToPlayScene(); }},
        {"Credits", [] { return new CCreditsScene(); }}};
    for (const auto& [name, make] : scenes)
    {
        SCOPED_TRACE(name);
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        harness.At(3, H::Click(10, 10));
        harness.At(3, H::Quit());
        harness.Run(make());
        EXPECT_EQ(harness.SceneSequence(), name);
        EXPECT_EQ(harness.Frames(), 3u);
    }
}

TEST(TitleScene, DrawsTheFiveEntriesAndTheVersionLineInPlace)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    std::vector<int> offPlace;
    harness.AtFrame(
        2,
        [&](CGraphics& g)
        {
            for (auto [text, y] : Entries)
                offPlace.push_back(TextOffPlace(g, harness.Shared(), text, 2, 500, y, true));
            offPlace.push_back(TextOffPlace(g, harness.Shared(), KORVANE_NAME " " KORVANE_VERSION,
                                            0, 630, 580, false));
        });
    harness.At(2, H::Quit());
    harness.Run(new CTitleScene());
    EXPECT_EQ(offPlace, std::vector<int>(6, 0));
}

TEST(TitleScene, MarkerFollowsThePointerOnAndOffEachEntry)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    auto markers = [&](CGraphics& g)
    {
        std::vector<std::vector<uint32_t>> blocks;
        for (int i = 0; i < 5; ++i)
            blocks.push_back(
                MarkerBlock(g, harness.Shared(), EntryLeft(harness, i), Entries[i].second));
        return blocks;
    };
    // The pointer rests on each entry's top-left pixel in turn, then one pixel left of QUIT,
    // then in the gap below PLAY.
    std::vector<std::pair<int, int>> pointer;
    for (int i = 0; i < 5; ++i)
        pointer.emplace_back(EntryLeft(harness, i), Entries[i].second);
    pointer.emplace_back(EntryLeft(harness, 4) - 1, 518);
    pointer.emplace_back(500, 350 + TextSize(harness.Shared(), "PLAY", 2).second);

    std::vector<std::vector<uint32_t>> bare;
    harness.AtFrame(1, [&](CGraphics& g) { bare = markers(g); });
    std::vector<std::string> seen;
    for (size_t i = 0; i < pointer.size(); ++i)
    {
        harness.At(1 + i, H::Motion(pointer[i].first, pointer[i].second));
        harness.AtFrame(2 + i,
                        [&](CGraphics& g)
                        {
                            std::string shown;
                            const auto now = markers(g);
                            for (int j = 0; j < 5; ++j)
                                shown += now[j] != bare[j] ? '1' : '0';
                            seen.push_back(shown);
                        });
    }
    harness.At(1 + pointer.size(), H::Quit());
    harness.Run(new CTitleScene());
    EXPECT_EQ(seen, (std::vector<std::string>{"10000", "01000", "00100", "00010", "00001", "00000",
                                              "00000"}));
}

// Clicks pushed together are handled in one frame; the scene started after the title shows
// what they chose (a close event ends the run a few frames later).
TEST(TitleScene, ClickRules)
{
    enum : int
    {
        Play,
        HowTo,
        Options,
        Credits,
        Quit
    };
    struct SCase
    {
        const char* Name;
        std::vector<std::pair<int, uint8_t>> Clicks; // entry (or -1: the gap below PLAY), button
        const char* Sequence;
    };
    const std::vector<SCase> cases = {
        {"options", {{Options, SDL_BUTTON_LEFT}}, "Title,Options"},
        {"how to play", {{HowTo, SDL_BUTTON_LEFT}}, "Title,How To Play"},
        {"credits", {{Credits, SDL_BUTTON_LEFT}}, "Title,Credits"},
        {"play", {{Play, SDL_BUTTON_LEFT}}, "Title,Music Select"},
        {"quit", {{Quit, SDL_BUTTON_LEFT}}, "Title"},
        {"later click wins",
         {{Options, SDL_BUTTON_LEFT}, {Credits, SDL_BUTTON_LEFT}},
         "Title,Credits"},
        {"quit beats an earlier choice",
         {{Play, SDL_BUTTON_LEFT}, {Quit, SDL_BUTTON_LEFT}},
         "Title"},
        {"quit beats a later choice",
         {{Quit, SDL_BUTTON_LEFT}, {Options, SDL_BUTTON_LEFT}},
         "Title"},
        {"gap between entries", {{-1, SDL_BUTTON_LEFT}}, "Title"},
        {"right button", {{Options, SDL_BUTTON_RIGHT}}, "Title"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        for (auto [entry, button] : c.Clicks)
            harness.At(2, entry < 0
                              ? H::Click(500, 350 + TextSize(harness.Shared(), "PLAY", 2).second)
                              : H::Click(EntryLeft(harness, entry) + 1, Entries[entry].second + 1,
                                         button));
        // Neither keys nor releases do anything on the title.
        harness.At(2, H::Key(SDLK_ESCAPE));
        harness.At(2, H::Key(SDLK_q));
        harness.At(2, H::Release(EntryLeft(harness, Options) + 1, 435));
        harness.At(5, H::Quit());
        harness.Run(new CTitleScene());
        EXPECT_EQ(harness.SceneSequence(), c.Sequence);
        EXPECT_FALSE(harness.HitFrameLimit());
    }
}

TEST(TitleScene, FrameOfTheClickIsStillDrawn)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.At(4, H::Click(EntryLeft(harness, 2), 434));
    bool optionsBy5 = true, optionsBy6 = false;
    harness.AtFrame(5, [&](CGraphics&) { optionsBy5 = Started(harness, "Options"); });
    harness.AtFrame(6, [&](CGraphics&) { optionsBy6 = Started(harness, "Options"); });
    harness.At(6, H::Quit());
    harness.Run(new CTitleScene());
    EXPECT_FALSE(optionsBy5);
    EXPECT_TRUE(optionsBy6);
}
