#include "MusicSelectFixture.h"

// One row per key and state, in every scene that reads keys. The keys are pushed one a frame
// from frame 2 (an empty event waits a second); 15 frames after the last one the scene
// sequence and what the scene shows are read: the browser's selection, scroll position,
// entries and preview (during the keys, then after), the full-screen box, the screen mode.
TEST_F(MusicSelectTest, KeysTable)
{
    Fill(Music.Path(), 30, 2); // "..", two folders, 30 songs
    const SDL_Event wait{};
    const SDL_Event click = H::Click(300, RowY(3) + 5); // a song
    const auto key = [](SDLKey sym, int mod = KMOD_NONE)
    {
        SDL_Event event = H::Key(sym);
        event.key.keysym.mod = SDLMod(mod);
        return event;
    };
    const SDL_Event up = key(SDLK_UP), down = key(SDLK_DOWN), enter = key(SDLK_RETURN),
                    end = key(SDLK_END), s = key(SDLK_s), esc = key(SDLK_ESCAPE);
    enum EStart
    {
        Browser,
        Title,
        Options,
        HowToPlay,
        Credits
    };
    struct SRow
    {
        const char* Name;
        EStart Start;
        std::vector<SDL_Event> Keys;
        std::string Shown;
    };
    // The browser still shown: selected row, first row shown, entries, previewing during and after.
    const auto shown = [](int sel, int top, int entries, const char* preview, int full = 0)
    {
        return "Music Select|sel=" + std::to_string(sel) + " top=" + std::to_string(top) +
               " n=" + std::to_string(entries) + " preview=" + preview +
               " full=" + std::to_string(full);
    };
    const SDL_Event page = key(SDLK_PAGEDOWN), f11 = key(SDLK_F11);
    const std::vector<SRow> rows = {
        {"Down, nothing selected", Browser, {down}, shown(0, 0, 33, "00")},
        {"Up, nothing selected", Browser, {up}, shown(0, 0, 33, "00")},
        {"Up at the top", Browser, {down, up, up}, shown(0, 0, 33, "00")},
        {"Down onto a song", Browser, {down, down, down, down}, shown(3, 0, 33, "01")},
        {"Down held", Browser, std::vector<SDL_Event>(12, down), shown(11, 0, 33, "01")},
        {"PageDown", Browser, {page}, shown(20, 1, 33, "01")},
        {"PageDown at the end", Browser, {page, page}, shown(32, 13, 33, "01")},
        {"PageUp", Browser, {end, key(SDLK_PAGEUP)}, shown(12, 12, 33, "01")},
        {"Home", Browser, {end, key(SDLK_HOME)}, shown(0, 0, 33, "00")},
        {"Enter, nothing selected", Browser, {enter}, shown(-1, 0, 33, "00")},
        {"Enter on a folder", Browser, {down, down, enter}, shown(-1, 0, 1, "00")},
        {"Backspace selects the folder left",
         Browser,
         {down, down, enter, key(SDLK_BACKSPACE)},
         shown(1, 0, 33, "00")},
        {"Enter on a song", Browser, {end, enter}, "Music Select,Battle|full=0"},
        {"Esc", Browser, {esc}, "Music Select,Title|full=0"},
        {"a letter", Browser, {s}, shown(3, 0, 33, "01")},
        {"the same letter again", Browser, {s, s}, shown(4, 0, 33, "01")},
        {"a longer prefix", Browser, {s, key(SDLK_o)}, shown(3, 0, 33, "01")},
        {"no name starts so", Browser, {key(SDLK_x)}, shown(-1, 0, 33, "00")},
        {"a second later, a new prefix", Browser, {key(SDLK_f), wait, s}, shown(3, 0, 33, "01")},
        {"double-click on a song", Browser, {click, click}, "Music Select,Battle|full=0"},
        {"two slow clicks", Browser, {click, wait, click}, shown(3, 0, 33, "11")},
        {"F11", Browser, {f11}, shown(-1, 0, 33, "00", 1)},
        {"F11, Alt+Enter", Browser, {f11, key(SDLK_RETURN, KMOD_LALT)}, shown(-1, 0, 33, "00")},
        {"title: Down, Enter", Title, {down, enter}, "Title,Music Select|full=0"},
        {"title: Down twice, Enter", Title, {down, down, enter}, "Title,How To Play|full=0"},
        {"title: Up, Enter", Title, {up, enter}, "Title|"},
        {"title: Enter, nothing highlighted", Title, {enter, esc}, "Title|full=0"},
        {"title: Alt+Enter", Title, {key(SDLK_RETURN, KMOD_RALT)}, "Title|full=1"},
        {"options: Esc", Options, {esc}, "Options,Title|full=0"},
        {"options: F11", Options, {f11}, "Options|boxes=x-x full=1"},
        // (The browser's tests keep separate highscores: the first box starts checked.)
        {"options: Down, Space toggles",
         Options,
         {down, key(SDLK_SPACE)},
         "Options|boxes=--- full=0"},
        {"options: Down twice, Enter twice",
         Options,
         {down, down, enter, enter},
         "Options|boxes=x-- full=0"},
        {"options: Up is BACK", Options, {up, enter}, "Options,Title|full=0"},
        {"options: the full-screen box",
         Options,
         {down, down, down, enter},
         "Options,Options|boxes=x-x full=1"},
        {"options: audio sync", Options, {up, up, enter}, "Options,Audio Sync|full=0"},
        {"how to play: Esc", HowToPlay, {key(SDLK_SPACE), esc}, "How To Play,Title|full=0"},
        {"credits: Esc", Credits, {esc}, "Credits,Title|full=0"},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.Name);
        Settings::WriteNumber("FullScreen", 0);
        Harness.reset(); // its shutdown would end the next one's SDL
        Harness = std::make_unique<CSceneHarness>();
        Open(Music.Path());
        auto* browser = row.Start == Browser ? new CMusicSelectScene() : nullptr;
        const auto browserShown = [&] {
            return browser &&
                   Harness->LogText().find("Scene Music Select ending") == std::string::npos;
        };
        CScene* first = browser;
        if (row.Start == Title)
            first = new CTitleScene();
        else if (row.Start == Options)
            first = new COptionsScene();
        else if (row.Start == HowToPlay)
            first = new CHowToPlayScene();
        else if (row.Start == Credits)
            first = new CCreditsScene();
        uint64_t frame = 2;
        bool during = false;
        for (const SDL_Event& event : row.Keys)
        {
            if (event.type == SDL_NOEVENT)
            {
                frame += 40;
                continue;
            }
            Harness->At(frame, event);
            // A preview is opened off the frame loop: it plays from the frame after the key's.
            Harness->AtFrame(++frame + 1, [&](CGraphics&)
                             { during = during || (browserShown() && browser->IsPreviewing()); });
        }
        std::string state;
        Harness->AtFrame(frame + 15,
                         [&](CGraphics& g)
                         {
                             const CSharedData& shared = Harness->Shared();
                             char line[96];
                             if (browserShown())
                                 std::snprintf(
                                     line, sizeof line, "sel=%d top=%u n=%zu preview=%d%d ",
                                     browser->GetSelectedIndex(), shared.ScrollTop,
                                     shared.FolderItems.size(), during, browser->IsPreviewing());
                             state = browserShown() ? line : "";
                             // The boxes of the options shown last: separate scores, continuous,
                             // full screen.
                             if (SceneSequence(Harness->LogText()).rfind("Options") + 7 ==
                                 SceneSequence(Harness->LogText()).size())
                             {
                                 state += "boxes=";
                                 for (int y : {100, 200, 300})
                                     state += PictureAt(g, "data/checked.png", 100, y) ? "x" : "-";
                                 state += " ";
                             }
                             state += g.IsFullScreen() ? "full=1" : "full=0";
                         });
        Harness->At(frame + 15, H::Quit());
        Harness->Run(first);
        EXPECT_EQ(SceneSequence(Harness->LogText()) + "|" + state, row.Shown);
    }
}
