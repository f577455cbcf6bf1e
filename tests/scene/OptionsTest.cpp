#include "MenuChecks.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "menus/OptionsScene.h"
#include "platform/Settings.h"
#include "support/SceneRunner.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace
{
using H = CSceneHarness;

constexpr int SeparateY = 100, ContinuousY = 200, FullScreenY = 300;

// True when the box at (x, y) shows `face`: every pixel the face does not key out matches.
bool BoxShows(CGraphics& g, const CImage& face, int x, int y)
{
    SDL_Surface* s = face.GetSurface();
    for (int row = 0; row < s->h; ++row)
        for (int column = 0; column < s->w; ++column)
        {
            const uint32_t rgb = SurfaceRgb(s, column, row);
            if (rgb != 0xFF00FF && rgb != SurfaceRgb(g.GetScreen(), x + column, y + row))
                return false;
        }
    return true;
}

// "csf": each box (separate, continuous, full screen) as shown; '?' when neither face fits.
std::string Boxes(CSharedData& shared, CGraphics& g)
{
    std::string shown;
    for (int y : {SeparateY, ContinuousY, FullScreenY})
        shown += BoxShows(g, shared.CheckedImage, 100, y)     ? 'x'
                 : BoxShows(g, shared.UncheckedImage, 100, y) ? '-'
                                                              : '?';
    return shown;
}

bool HasLine(const std::string& file, const std::string& line)
{
    return ("\n" + file).find("\n" + line + "\n") != std::string::npos;
}
} // namespace

TEST(OptionsScene, BoxesShowTheStoredSettings)
{
    struct SCase
    {
        int SeparateHS, PlayContinuous, FullScreen;
        const char* Shown;
    };
    for (const SCase& c : {SCase{-1, -1, -1, "---"}, SCase{1, 0, 0, "x--"}, SCase{0, 7, 0, "-x-"},
                           SCase{0, 0, 1, "--x"}, SCase{1, 1, 1, "xxx"}})
    {
        SCOPED_TRACE(c.Shown);
        CTempHome home;
        // -1: the value is absent, as for a new player.
        if (c.SeparateHS >= 0)
            Settings::WriteNumber(Settings::Key::SeparateHS, c.SeparateHS);
        if (c.PlayContinuous >= 0)
            Settings::WriteNumber(Settings::Key::PlayContinuous, c.PlayContinuous);
        if (c.FullScreen >= 0)
            Settings::WriteNumber(Settings::Key::FullScreen, c.FullScreen);
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        std::string shown;
        harness.AtFrame(2, [&](CGraphics& g) { shown = Boxes(harness.Shared(), g); });
        harness.At(2, H::Quit());
        harness.Run(new COptionsScene());
        EXPECT_EQ(shown, c.Shown);
    }
}

// Each case clicks once per frame; the boxes, the shared state and the settings file are read
// after the last click, and the file again after the window was closed.
TEST(OptionsScene, ClicksToggleSaveAndShareTheSettings)
{
    struct SCase
    {
        const char* Name;
        std::vector<std::pair<int, int>> Clicks; // (x, y); x < 0 counts from the label's width
        const char* Shown;
        bool Common, Continuous;
        std::vector<const char*> FileLines;
    };
    const std::vector<SCase> cases = {
        {"continuous once", {{100, ContinuousY}}, "-x-", true, true, {"PlayContinuous=1"}},
        {"continuous twice",
         {{100, ContinuousY}, {100, ContinuousY}},
         "---",
         true,
         false,
         {"PlayContinuous=0"}},
        {"separate once", {{100, SeparateY}}, "x--", false, false, {"SeparateHS=1"}},
        {"separate twice",
         {{100, SeparateY}, {100, SeparateY}},
         "---",
         true,
         false,
         {"SeparateHS=0"}},
        {"both",
         {{100, SeparateY}, {100, ContinuousY}},
         "xx-",
         false,
         true,
         {"SeparateHS=1", "PlayContinuous=1"}},
        // The hit rectangle has the label's size but starts at the box.
        {"last pixel of the rectangle",
         {{-1, ContinuousY}},
         "-x-",
         true,
         true,
         {"PlayContinuous=1"}},
        {"far right end of the label", {{-0, ContinuousY}}, "---", true, false, {}},
        {"left of the box", {{99, ContinuousY}}, "---", true, false, {}},
        {"gap between boxes", {{150, ContinuousY - 40}}, "---", true, false, {}},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CTempHome home;
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        const int width = TextSize(harness.Shared(), "Continuous play mode", 1).first;
        uint64_t frame = 1;
        for (auto [x, y] : c.Clicks)
            harness.At(frame++, H::Click(x <= 0 ? 100 + width + x : x, y));
        std::string shown;
        bool common = false, continuous = false;
        harness.AtFrame(frame + 1,
                        [&](CGraphics& g)
                        {
                            shown = Boxes(harness.Shared(), g);
                            common = harness.Shared().CommonHighscores;
                            continuous = harness.Shared().PlayContinuous;
                        });
        harness.At(frame + 1, H::Quit());
        harness.Run(new COptionsScene());
        EXPECT_EQ(shown, c.Shown);
        EXPECT_EQ(common, c.Common);
        EXPECT_EQ(continuous, c.Continuous);
        const std::string file = SettingsFile(home);
        for (const char* line : c.FileLines)
            EXPECT_TRUE(HasLine(file, line)) << file;
        if (c.FileLines.empty())
        {
            EXPECT_EQ(file, "");
        }
        EXPECT_EQ(harness.SceneSequence(), "Options");
    }
}

TEST(OptionsScene, FullScreenBoxRestartsTheSceneInTheOtherMode)
{
    CTempHome home;
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    // The continuous click in the same frame is left for the new scene, which handles it.
    harness.At(2, H::Click(100, FullScreenY));
    harness.At(2, H::Click(100, ContinuousY));
    std::string shownBefore, shownAfter, shownBack;
    bool fullScreenAfter = false, fullScreenBack = true;
    harness.AtFrame(2, [&](CGraphics& g) { shownBefore = Boxes(harness.Shared(), g); });
    harness.AtFrame(4,
                    [&](CGraphics& g)
                    {
                        shownAfter = Boxes(harness.Shared(), g);
                        fullScreenAfter = g.GetScreen()->flags & SDL_FULLSCREEN;
                    });
    harness.At(4, H::Click(100, FullScreenY));
    harness.AtFrame(6,
                    [&](CGraphics& g)
                    {
                        shownBack = Boxes(harness.Shared(), g);
                        fullScreenBack = g.GetScreen()->flags & SDL_FULLSCREEN;
                    });
    harness.At(6, H::Quit());
    harness.Run(new COptionsScene());

    EXPECT_EQ(shownBefore, "---");
    EXPECT_EQ(shownAfter, "-xx");
    EXPECT_TRUE(fullScreenAfter);
    EXPECT_EQ(shownBack, "-x-");
    EXPECT_FALSE(fullScreenBack);
    EXPECT_EQ(harness.SceneSequence(), "Options,Options,Options");
    EXPECT_TRUE(HasLine(SettingsFile(home), "FullScreen=0"));
    EXPECT_TRUE(HasLine(SettingsFile(home), "PlayContinuous=1"));
    // The shared images were loaded again for the new screen.
    EXPECT_NE(harness.Shared().MenuSelectImage.GetSurface(), nullptr);
    EXPECT_NE(harness.Shared().CheckedImage.GetSurface(), nullptr);
}

TEST(OptionsScene, BackLeadsToTheTitleAndEnterWithoutAHighlightDoesNothing)
{
    CTempHome home;
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    const int left = 400 - TextSize(harness.Shared(), "BACK", 2).first / 2, top = 510;
    std::vector<uint32_t> bare, hovered;
    harness.AtFrame(1, [&](CGraphics& g) { bare = MarkerBlock(g, harness.Shared(), left, top); });
    harness.At(1, H::Key(SDLK_RETURN));
    harness.At(1, H::Key(SDLK_b));
    harness.At(1, H::Motion(left, top));
    harness.AtFrame(2,
                    [&](CGraphics& g) { hovered = MarkerBlock(g, harness.Shared(), left, top); });
    harness.At(3, H::Click(left, top));
    harness.At(6, H::Quit());
    harness.Run(new COptionsScene());
    EXPECT_NE(hovered, bare);
    EXPECT_EQ(harness.SceneSequence(), "Options,Title");
    EXPECT_EQ(SettingsFile(home), "");
}

// Down moves the highlight over the entries, and the marker stands before the highlighted one
// and before no other.
TEST(OptionsScene, TheMarkerStandsBeforeTheHighlightedEntryAlone)
{
    const std::pair<int, int> entries[] = {{100, 100}, {100, 200}, {100, 300}, {140, 400}};
    for (size_t hovered = 0; hovered < std::size(entries); ++hovered)
    {
        SCOPED_TRACE(hovered);
        CTempHome home;
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        std::vector<std::vector<uint32_t>> bare, shown;
        const auto markers = [&](std::vector<std::vector<uint32_t>>& out)
        {
            return [&](CGraphics& g)
            {
                for (const auto& [x, y] : entries)
                    out.push_back(MarkerBlock(g, harness.Shared(), x, y));
            };
        };
        harness.AtFrame(1, markers(bare));
        uint64_t frame = 1;
        for (size_t down = 0; down <= hovered; ++down)
            harness.At(frame++, H::Key(SDLK_DOWN));
        harness.AtFrame(frame, markers(shown));
        harness.At(frame, H::Quit());
        harness.Run(new COptionsScene());
        ASSERT_EQ(shown.size(), std::size(entries));
        for (size_t i = 0; i < std::size(entries); ++i)
        {
            EXPECT_EQ(shown[i] != bare[i], i == hovered) << "entry " << i;
        }
        // The marker's own pixels, where it stands before the other menus' entries.
        SDL_Surface* marker = harness.Shared().MenuSelectImage.GetSurface();
        ASSERT_NE(marker, nullptr);
        for (int y = 0; y < marker->h; ++y)
            for (int x = 0; x < marker->w; ++x)
                if (const uint32_t rgb = SurfaceRgb(marker, x, y); rgb != 0xFF00FF)
                {
                    ASSERT_EQ(shown[hovered][size_t(y * marker->w + x)] & 0xFFFFFF, rgb)
                        << "at " << x << "," << y;
                }
    }
}
