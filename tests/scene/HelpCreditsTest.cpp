#include "MenuChecks.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "menus/CreditsScene.h"
#include "menus/HowToPlayScene.h"
#include "support/SceneRunner.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace
{
using H = CSceneHarness;

// Which help page fills the screen: 1 to 3, or 0 for none of them.
int PageShown(CGraphics& g)
{
    for (int page = 1; page <= 3; ++page)
    {
        CImage image;
        image.Load("data/help" + std::to_string(page) + ".png", false);
        bool same = image.GetSurface() != nullptr;
        for (int y = 0; same && y < 600; y += 7)
            for (int x = 0; same && x < 800; x += 5)
                same = SurfaceRgb(image.GetSurface(), x, y) == SurfaceRgb(g.GetScreen(), x, y);
        image.Free();
        if (same)
            return page;
    }
    return 0;
}

// Puts a recording `xdg-open` first on PATH while it lives.
class CFakeOpener
{
public:
    CFakeOpener() : OldPath(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        const auto script = Dir.Path() / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"" << Record().string()
                              << ".part\" && mv \"" << Record().string() << ".part\" \""
                              << Record().string() << "\"\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        setenv("PATH", (Dir.Path().string() + ":" + OldPath).c_str(), 1);
    }
    ~CFakeOpener() { setenv("PATH", OldPath.c_str(), 1); }
    CFakeOpener(const CFakeOpener&) = delete;
    CFakeOpener& operator=(const CFakeOpener&) = delete;

    // What the opener was called with, once it has run (waits up to 5 s for the child).
    std::string Arguments() const
    {
        for (int i = 0; i < 500 && !std::filesystem::exists(Record()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream file(Record());
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

private:
    std::filesystem::path Record() const { return Dir.Path() / "opened"; }
    CTempDir Dir;
    std::string OldPath;
};
} // namespace

// Presses are pushed at frames 2, 4 and 6 (several in one frame when grouped); the page
// is read at frames 3, 5 and 7. The frame of the last press still shows page 3.
TEST(HowToPlayScene, EveryPressTurnsAPage)
{
    struct SCase
    {
        const char* Name;
        std::vector<std::vector<SDL_Event>> Presses;
        std::vector<int> Pages;
        const char* Sequence;
    };
    const std::vector<SCase> cases = {
        {"space, Enter, click", // Esc leaves at once (the keys table)
         {{H::Key(SDLK_SPACE)}, {H::Key(SDLK_RETURN)}, {H::Click(10, 10)}},
         {2, 3, 3},
         "How To Play,Title"},
        {"wheel and other buttons",
         {{H::Click(400, 300, SDL_BUTTON_WHEELUP)},
          {H::Click(400, 300, SDL_BUTTON_WHEELDOWN)},
          {H::Click(400, 300, SDL_BUTTON_RIGHT)}},
         {2, 3, 3},
         "How To Play,Title"},
        {"two presses in one frame",
         {{H::Key(SDLK_a), H::Click(1, 1)}, {}, {}},
         {3, 3, 3},
         "How To Play"},
        {"releases and motion",
         {{H::Release(5, 5), H::Motion(50, 50)}, {}, {}},
         {1, 1, 1},
         "How To Play"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        int first = -1;
        harness.AtFrame(1, [&](CGraphics& g) { first = PageShown(g); });
        std::vector<int> pages;
        for (size_t i = 0; i < c.Presses.size(); ++i)
        {
            for (const SDL_Event& event : c.Presses[i])
                harness.At(2 + 2 * i, event);
            harness.AtFrame(3 + 2 * i, [&](CGraphics& g) { pages.push_back(PageShown(g)); });
        }
        harness.At(8, H::Quit());
        harness.Run(new CHowToPlayScene());
        EXPECT_EQ(first, 1);
        EXPECT_EQ(pages, c.Pages);
        EXPECT_EQ(harness.SceneSequence(), c.Sequence);
    }
}

TEST(CreditsScene, TextsAndMainMenuMarkerInPlace)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    struct SText
    {
        std::string Text;
        int X, Y, Size;
        bool Centred;
    };
    const std::vector<SText> texts = {
        {"Credits", 400, 50, 2, true},
        {"- Design, Programming, Graphics & Audio -", 400, 120, 1, true},
        {CCreditsScene::Author, 400, 150, 1, true},
        {"For news, updates & purchases, visit : ", 400, 300, 0, true},
        {CCreditsScene::WebAddress, 400, 440, 2, true},
        {"Main Menu", 600, 550, 2, false},
    };
    std::vector<int> offPlace;
    std::vector<uint32_t> bare, hovered, left;
    harness.AtFrame(1,
                    [&](CGraphics& g)
                    {
                        for (const SText& t : texts)
                            offPlace.push_back(TextOffPlace(g, harness.Shared(), t.Text, t.Size,
                                                            t.X, t.Y, t.Centred));
                        bare = MarkerBlock(g, harness.Shared(), 600, 550); // at (551, 554)
                    });
    harness.At(1, H::Motion(600, 550));
    harness.AtFrame(2, [&](CGraphics& g) { hovered = MarkerBlock(g, harness.Shared(), 600, 550); });
    harness.At(2, H::Motion(599, 550));
    harness.AtFrame(3, [&](CGraphics& g) { left = MarkerBlock(g, harness.Shared(), 600, 550); });
    harness.At(3, H::Quit());
    harness.Run(new CCreditsScene());
    EXPECT_EQ(offPlace, std::vector<int>(texts.size(), 0));
    EXPECT_NE(hovered, bare);
    EXPECT_EQ(left, bare);
}

TEST(CreditsScene, WebEntryOpensTheNewsPageAndTheSceneStays)
{
    CFakeOpener opener;
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.At(2, H::Click(400, 450));
    harness.At(2, H::Key(SDLK_RETURN));
    harness.At(2, H::Click(601, 551, SDL_BUTTON_RIGHT));
    harness.At(8, H::Quit());
    harness.Run(new CCreditsScene());
    EXPECT_EQ(opener.Arguments(), std::string(CCreditsScene::NewsPage) + "\n");
    EXPECT_EQ(harness.SceneSequence(), "Credits");
    EXPECT_EQ(harness.Frames(), 8u);
}

TEST(CreditsScene, MainMenuLeadsToTheTitle)
{
    CFakeOpener opener;
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.At(2, H::Click(600, 550));
    harness.At(6, H::Quit());
    harness.Run(new CCreditsScene());
    EXPECT_EQ(harness.SceneSequence(), "Credits,Title");
}
