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
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace
{
using H = CSceneHarness;

bool Started(H& harness, const std::string& scene)
{
    return harness.LogText().find("Scene " + scene + " starting") != std::string::npos;
}

// The top-left corner of a title entry's text: entries are centred on x = 500.
struct SEntry
{
    const char* Text;
    int Y;
};
constexpr SEntry TitleEntries[] = {
    {"PLAY", 350}, {"HOW TO PLAY", 392}, {"OPTIONS", 434}, {"CREDITS & INFO", 476}, {"QUIT", 518}};

int EntryLeft(H& harness, const SEntry& entry)
{
    SDL_Surface* text = RenderText(harness.Shared(), entry.Text, 2);
    const int left = 500 - text->w / 2;
    SDL_FreeSurface(text);
    return left;
}
} // namespace

TEST(SplashScene, FadesForExactly103FramesWhateverThePlayerPresses)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    for (uint64_t frame : {0u, 1u, 10u, 50u, 102u})
    {
        harness.At(frame, H::Click(400, 300));
        harness.At(frame, H::Key(SDLK_ESCAPE));
        harness.At(frame, H::Key(SDLK_SPACE));
    }
    bool titleAt103 = true, titleAt104 = false;
    harness.AtFrame(103, [&](CGraphics&) { titleAt103 = Started(harness, "Title"); });
    harness.AtFrame(104, [&](CGraphics&) { titleAt104 = Started(harness, "Title"); });
    harness.At(105, H::Quit());
    harness.Run(new CSplashScene());
    EXPECT_FALSE(titleAt103);
    EXPECT_TRUE(titleAt104);
    EXPECT_EQ(SceneSequence(harness.LogText()), "Splash,Title");
    EXPECT_EQ(harness.Frames(), 105u);
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
    std::vector<uint32_t> expected;
    for (int row = 0; row < h; ++row)
        for (int column = 0; column < w; ++column)
            expected.push_back(SurfaceRgb(logo.GetSurface(), column, row));

    // Brightest channel sum over the logo's rectangle, per frame.
    std::map<uint64_t, uint64_t> brightness;
    auto measure = [&](uint64_t frame)
    {
        harness.AtFrame(frame,
                        [&, frame](CGraphics& g)
                        {
                            uint64_t sum = 0;
                            for (uint32_t rgb : ScreenBlock(g, x, y, w, h))
                                sum += (rgb >> 16) + (rgb >> 8 & 0xFF) + (rgb & 0xFF);
                            brightness[frame] = sum;
                        });
    };
    for (uint64_t frame : {1u, 26u, 50u, 51u, 52u, 77u, 102u, 103u})
        measure(frame);
    std::vector<uint32_t> full, ring;
    harness.AtFrame(51,
                    [&](CGraphics& g)
                    {
                        full = ScreenBlock(g, x, y, w, h);
                        for (uint32_t rgb : ScreenBlock(g, x - 1, y - 1, w + 2, 1))
                            ring.push_back(rgb);
                        for (uint32_t rgb : ScreenBlock(g, x - 1, y + h, w + 2, 1))
                            ring.push_back(rgb);
                        for (uint32_t rgb : ScreenBlock(g, x - 1, y, 1, h))
                            ring.push_back(rgb);
                        for (uint32_t rgb : ScreenBlock(g, x + w, y, 1, h))
                            ring.push_back(rgb);
                    });
    harness.At(103, H::Quit());
    harness.Run(new CSplashScene());
    logo.Free();

    // Frame 51 shows the logo at full opacity, exactly in place, on black.
    EXPECT_EQ(full, expected);
    EXPECT_EQ(ring, std::vector<uint32_t>(ring.size(), 0));
    ASSERT_GT(brightness[51], 0u);
    EXPECT_LT(brightness[1], brightness[26]);
    EXPECT_LT(brightness[26], brightness[50]);
    EXPECT_LT(brightness[50], brightness[51]);
    EXPECT_GT(brightness[51], brightness[52]);
    EXPECT_GT(brightness[52], brightness[77]);
    EXPECT_GT(brightness[77], brightness[102]);
    EXPECT_EQ(brightness[102], 0u);
    EXPECT_EQ(brightness[103], 0u);
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
        EXPECT_EQ(SceneSequence(harness.LogText()), name);
        EXPECT_NE(harness.LogText().find("Scene " + name + " ending\n"), std::string::npos);
        EXPECT_EQ(harness.Frames(), 3u);
    }
}

TEST(TitleScene, DrawsTheFiveEntriesAndTheVersionLineInPlace)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    std::vector<std::pair<std::string, std::function<int(CGraphics&)>>> checks;
    for (const SEntry& entry : TitleEntries)
        checks.emplace_back(entry.Text,
                            [&harness, entry](CGraphics& g)
                            {
                                SDL_Surface* text = RenderText(harness.Shared(), entry.Text, 2);
                                int opaque = 0;
                                int bad = MisplacedTextPixels(g, text, 500 - text->w / 2, entry.Y,
                                                              opaque);
                                SDL_FreeSurface(text);
                                return opaque > 0 ? bad : -1;
                            });
    checks.emplace_back("version",
                        [&harness](CGraphics& g)
                        {
                            SDL_Surface* text =
                                RenderText(harness.Shared(), KORVANE_NAME " " KORVANE_VERSION, 0);
                            int opaque = 0;
                            int bad = MisplacedTextPixels(g, text, 630, 580, opaque);
                            SDL_FreeSurface(text);
                            return opaque > 0 ? bad : -1;
                        });
    std::vector<int> results;
    harness.AtFrame(2,
                    [&](CGraphics& g)
                    {
                        for (auto& check : checks)
                            results.push_back(check.second(g));
                    });
    harness.At(2, H::Quit());
    harness.Run(new CTitleScene());
    ASSERT_EQ(results.size(), checks.size());
    for (size_t i = 0; i < checks.size(); ++i)
        EXPECT_EQ(results[i], 0) << checks[i].first;
}

TEST(TitleScene, MarkerFollowsThePointerOnAndOffEachEntry)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    SDL_Surface* marker = harness.Shared().MenuSelectImage.GetSurface();
    ASSERT_NE(marker, nullptr);
    int left[5];
    for (int i = 0; i < 5; ++i)
        left[i] = EntryLeft(harness, TitleEntries[i]);
    auto markersShown = [&](CGraphics& g, const std::vector<std::vector<uint32_t>>& bare)
    {
        std::string shown;
        for (int j = 0; j < 5; ++j)
            shown +=
                ScreenBlock(g, left[j] - 49, TitleEntries[j].Y + 4, marker->w, marker->h) != bare[j]
                    ? '1'
                    : '0';
        return shown;
    };

    // Frame 1 has nothing highlighted. Then the pointer rests on each entry's top-left
    // pixel in turn, then one pixel left of QUIT, then on the gap below PLAY.
    std::vector<std::vector<uint32_t>> bare;
    harness.AtFrame(1,
                    [&](CGraphics& g)
                    {
                        for (int j = 0; j < 5; ++j)
                            bare.push_back(ScreenBlock(g, left[j] - 49, TitleEntries[j].Y + 4,
                                                       marker->w, marker->h));
                    });
    std::vector<std::pair<int, int>> positions;
    for (int i = 0; i < 5; ++i)
        positions.emplace_back(left[i], TitleEntries[i].Y);
    positions.emplace_back(left[4] - 1, TitleEntries[4].Y);
    SDL_Surface* play = RenderText(harness.Shared(), "PLAY", 2);
    positions.emplace_back(500, 350 + play->h);
    SDL_FreeSurface(play);

    std::vector<std::string> seen;
    for (size_t i = 0; i < positions.size(); ++i)
    {
        harness.At(1 + i, H::Motion(positions[i].first, positions[i].second));
        harness.AtFrame(2 + i, [&](CGraphics& g) { seen.push_back(markersShown(g, bare)); });
    }
    harness.At(1 + positions.size(), H::Quit());
    harness.Run(new CTitleScene());
    EXPECT_EQ(seen, (std::vector<std::string>{"10000", "01000", "00100", "00010", "00001", "00000",
                                              "00000"}));
}

// Clicks pushed together are handled in one frame; the scene started after the title shows
// what the clicks chose (the run is ended by a close event a few frames later).
TEST(TitleScene, ClickRules)
{
    struct SCase
    {
        const char* Name;
        std::vector<SDL_Event> Events;
        const char* Sequence;
    };
    std::vector<SCase> cases;
    {
        // Positions come from the real fonts; this harness is gone before the runs start.
        CSceneHarness probe;
        ASSERT_TRUE(probe.Ready());
        auto at = [&](int entry, int dx = 1, int dy = 1) {
            return std::pair(EntryLeft(probe, TitleEntries[entry]) + dx,
                             TitleEntries[entry].Y + dy);
        };
        auto click = [&](int entry, uint8_t button = SDL_BUTTON_LEFT)
        {
            auto [x, y] = at(entry);
            return H::Click(x, y, button);
        };
        SDL_Surface* play = RenderText(probe.Shared(), "PLAY", 2);
        const int gapY = 350 + play->h; // PLAY is shorter than the 42-pixel step
        SDL_FreeSurface(play);
        ASSERT_LT(gapY, 392);

        cases = {
            {"options", {click(CTitleScene::Options)}, "Title,Options"},
            {"how to play", {click(CTitleScene::HowToPlay)}, "Title,How To Play"},
            {"credits", {click(CTitleScene::Credits)}, "Title,Credits"},
            {"play", {click(CTitleScene::Play)}, "Title,Title"},
            {"quit", {click(CTitleScene::QuitEntry)}, "Title"},
            {"later click wins",
             {click(CTitleScene::Options), click(CTitleScene::Credits)},
             "Title,Credits"},
            {"quit beats an earlier choice",
             {click(CTitleScene::Play), click(CTitleScene::QuitEntry)},
             "Title"},
            {"quit beats a later choice",
             {click(CTitleScene::QuitEntry), click(CTitleScene::Options)},
             "Title"},
            {"gap between entries", {H::Click(500, gapY)}, "Title"},
            {"right button", {click(CTitleScene::Options, SDL_BUTTON_RIGHT)}, "Title"},
            {"release only",
             {H::Release(at(CTitleScene::Options).first, at(CTitleScene::Options).second)},
             "Title"},
            {"keys", {H::Key(SDLK_ESCAPE), H::Key(SDLK_RETURN), H::Key(SDLK_q)}, "Title"},
        };
    }
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CTempHome home;
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        for (const SDL_Event& event : c.Events)
            harness.At(2, event);
        harness.At(5, H::Quit());
        harness.Run(new CTitleScene());
        EXPECT_EQ(SceneSequence(harness.LogText()), c.Sequence);
        EXPECT_FALSE(harness.HitFrameLimit());
    }
}

TEST(TitleScene, FrameOfTheClickIsStillDrawn)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    const int x = EntryLeft(harness, TitleEntries[CTitleScene::Options]);
    harness.At(4, H::Click(x, 434));
    bool optionsBy5 = true, optionsBy6 = false;
    harness.AtFrame(5, [&](CGraphics&) { optionsBy5 = Started(harness, "Options"); });
    harness.AtFrame(6, [&](CGraphics&) { optionsBy6 = Started(harness, "Options"); });
    harness.At(6, H::Quit());
    harness.Run(new CTitleScene());
    EXPECT_FALSE(optionsBy5);
    EXPECT_TRUE(optionsBy6);
}
