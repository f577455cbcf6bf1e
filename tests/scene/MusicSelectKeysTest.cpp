#include "MusicSelectFixture.h"

// One row per key and state, in every scene that reads keys. Each step pushes its events in one
// frame and then waits its frames: a key is tapped (pressed and released in the same frame,
// as `xdotool key` and a fast typist do), held (pressed, released steps later), or a
// wait of a second and more. 15 frames after the last step
// the scene sequence and what the scene shows are read: the browser's selection, scroll
// position, entries, preview (during the keys, then after), speed and whether the songs were
// shuffled; the options' boxes; the screen mode.
TEST_F(MusicSelectTest, KeysTable)
{
    Fill(Music.Path(), 30, 2); // "..", two folders, 30 songs
    struct SStep
    {
        std::vector<SDL_Event> Events; // pushed together
        uint64_t Frames = 1;           // then this many frames pass
    };
    const auto event = [](SDLKey sym, bool down, int mod)
    {
        SDL_Event e = H::Key(sym);
        e.key.keysym.mod = SDLMod(mod);
        if (!down)
            e.type = SDL_KEYUP, e.key.state = SDL_RELEASED;
        return e;
    };
    const auto key = [&](SDLKey sym, int mod = KMOD_NONE) {
        return SStep{{event(sym, true, mod), event(sym, false, mod)}};
    };
    const auto hold = [&](SDLKey sym, uint64_t frames) {
        return SStep{{event(sym, true, KMOD_NONE)}, frames};
    };
    const auto release = [&](SDLKey sym) { return SStep{{event(sym, false, KMOD_NONE)}}; };
    const SStep wait{{}, 40};
    const SStep up = key(SDLK_UP), down = key(SDLK_DOWN), enter = key(SDLK_RETURN),
                end = key(SDLK_END), s = key(SDLK_s), esc = key(SDLK_ESCAPE),
                space = key(SDLK_SPACE), tab = key(SDLK_TAB);
    const SStep click{{H::Click(300, RowY(3) + 5), H::Release(300, RowY(3) + 5)}}; // a song
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
        std::vector<SStep> Keys;
        std::string Shown;
    };
    // The browser still shown: selected row, first row shown, entries, previewing during and
    // after, the speed's index, the songs shuffled or in name order, the screen mode.
    const auto shown =
        [](int sel, int top, int entries, const char* preview, int full = 0, int speed = 0)
    {
        return "Music Select|sel=" + std::to_string(sel) + " top=" + std::to_string(top) +
               " n=" + std::to_string(entries) + " preview=" + preview +
               " speed=" + std::to_string(speed) + " shuffled=0 full=" + std::to_string(full);
    };
    const SStep page = key(SDLK_PAGEDOWN), f11 = key(SDLK_F11);
    // Held past the delay, a key acts again at the usual rate: pressed for 30 frames of 30 ms,
    // it acts at once and again at 510, 540, ... 870 ms.
    const int heldMoves = 1 + 13;
    std::vector<SStep> downs(12, down);
    const std::vector<SRow> rows = {
        {"Down, nothing selected", Browser, {down}, shown(0, 0, 33, "00")},
        {"Up, nothing selected", Browser, {up}, shown(0, 0, 33, "00")},
        {"Up at the top", Browser, {down, up, up}, shown(0, 0, 33, "00")},
        {"Down onto a song", Browser, {down, down, down, down}, shown(3, 0, 33, "01")},
        {"Down tapped twelve times", Browser, downs, shown(11, 0, 33, "01")},
        // A tap moves once, however short: no repeat seconds later.
        {"Down tapped once, then a wait", Browser, {down, down, wait}, shown(1, 0, 33, "00")},
        {"Down held",
         Browser,
         {hold(SDLK_DOWN, 30), release(SDLK_DOWN)},
         shown(heldMoves - 1, 0, 33, "01")},
        {"Down held a frame",
         Browser,
         {hold(SDLK_DOWN, 1), release(SDLK_DOWN)},
         shown(0, 0, 33, "00")},
        // Enter opens the second folder, whose one entry a Down going on would select.
        {"Down held, then Enter stops it",
         Browser,
         {down, down, hold(SDLK_DOWN, 3), hold(SDLK_RETURN, 30)},
         shown(-1, 0, 1, "00")},
        {"PageDown", Browser, {page}, shown(20, 1, 33, "01")},
        {"PageDown at the end", Browser, {page, page}, shown(32, 13, 33, "01")},
        {"PageDown held",
         Browser,
         {hold(SDLK_PAGEDOWN, 20), release(SDLK_PAGEDOWN)},
         shown(32, 13, 33, "11")},
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
        {"Right: the next speed", Browser, {key(SDLK_RIGHT)}, shown(-1, 0, 33, "00", 0, 1)},
        {"Left: the speed before, round", Browser, {key(SDLK_LEFT)}, shown(-1, 0, 33, "00", 0, 2)},
        // The speed does not repeat: held, it steps once.
        {"Right held",
         Browser,
         {hold(SDLK_RIGHT, 30), release(SDLK_RIGHT)},
         shown(-1, 0, 33, "00", 0, 1)},
        {"Right twice, Left",
         Browser,
         {key(SDLK_RIGHT), key(SDLK_RIGHT), key(SDLK_LEFT)},
         shown(-1, 0, 33, "00", 0, 1)},
        {"Ctrl+R shuffles the songs",
         Browser,
         {down, down, down, down, key(SDLK_r, KMOD_LCTRL)},
         "Music Select|sel=-1 top=0 n=33 preview=00 speed=0 shuffled=1 full=0"},
        {"r alone finds a name", Browser, {key(SDLK_r)}, shown(-1, 0, 33, "00")},
        {"double-click on a song", Browser, {click, click}, "Music Select,Battle|full=0"},
        {"two slow clicks", Browser, {click, wait, click}, shown(3, 0, 33, "11")},
        {"F11", Browser, {f11}, shown(-1, 0, 33, "00", 1)},
        {"F11, Alt+Enter", Browser, {f11, key(SDLK_RETURN, KMOD_LALT)}, shown(-1, 0, 33, "00")},
        {"title: Down, Enter", Title, {down, enter}, "Title,Music Select|full=0"},
        {"title: Down twice, Enter", Title, {down, down, enter}, "Title,How To Play|full=0"},
        {"title: Tab twice, Shift+Tab, Enter",
         Title,
         {tab, tab, key(SDLK_TAB, KMOD_LSHIFT), enter},
         "Title,Music Select|full=0"},
        {"title: Up, Enter", Title, {up, enter}, "Title|"},
        {"title: Enter shows PLAY", Title, {enter, esc}, "Title|full=0"},
        {"title: Enter twice", Title, {enter, enter}, "Title,Music Select|full=0"},
        // Pressed, then 4 repeats: the fifth entry, QUIT.
        {"title: Down held", Title, {hold(SDLK_DOWN, 21), release(SDLK_DOWN), enter}, "Title|"},
        {"title: Down tapped, a wait, Enter",
         Title,
         {down, wait, enter},
         "Title,Music Select|full=0"},
        {"title: Alt+Enter", Title, {key(SDLK_RETURN, KMOD_RALT)}, "Title|full=1"},
        {"options: Esc", Options, {esc}, "Options,Title|full=0"},
        {"options: F11", Options, {f11}, "Options|boxes=x-x full=1"},
        // (The browser's tests keep separate highscores: the first box starts checked.)
        {"options: Down, Space toggles", Options, {down, space}, "Options|boxes=--- full=0"},
        {"options: Tab, Space toggles", Options, {tab, space}, "Options|boxes=--- full=0"},
        {"options: Enter shows the first box, Enter toggles it",
         Options,
         {enter, enter},
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
        // The highlight stays on the box over the switch: Enter switches back.
        {"options: the full-screen box twice",
         Options,
         {down, down, down, enter, enter},
         "Options,Options,Options|boxes=x-- full=0"},
        {"options: audio sync", Options, {up, up, enter}, "Options,Audio Sync|full=0"},
        // Back from audio sync, the highlight is where it was: Enter opens it again.
        {"options: audio sync, Esc, Enter",
         Options,
         {up, up, enter, esc, enter},
         "Options,Audio Sync,Options,Audio Sync|full=0"},
        {"how to play: Esc", HowToPlay, {space, esc}, "How To Play,Title|full=0"},
        {"credits: Esc", Credits, {esc}, "Credits,Title|full=0"},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.Name);
        Settings::WriteNumber(Settings::Key::FullScreen, 0);
        Settings::WriteText(Settings::Key::Speed, "Slow");
        Harness.reset(); // its shutdown would end the next one's SDL
        Harness = std::make_unique<CSceneHarness>();
        Open(Music.Path());
        auto* browser = row.Start == Browser ? new CMusicSelectScene() : nullptr;
        const auto browserShown = [&] { return browser && Harness->Asked().empty(); };
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
        for (const SStep& step : row.Keys)
        {
            for (const SDL_Event& e : step.Events)
                Harness->At(frame, e);
            // A preview is opened off the frame loop: it plays from the frame after the key's.
            for (uint64_t k = 0; k < step.Frames; ++k)
                Harness->AtFrame(++frame + 1,
                                 [&](CGraphics&) {
                                     during = during || (browserShown() && browser->IsPreviewing());
                                 });
        }
        std::string state;
        Harness->AtFrame(
            frame + 15,
            [&](CGraphics& g)
            {
                const CSharedData& shared = Harness->Shared();
                char line[128];
                if (browserShown())
                {
                    // The songs ("song0" to "song29") out of their number order.
                    bool shuffled = false;
                    for (size_t i = 4; i < shared.FolderItems.size(); ++i)
                        shuffled =
                            shuffled ||
                            std::stoi(shared.FolderItems[i - 1]->GetDisplayName().substr(4)) >
                                std::stoi(shared.FolderItems[i]->GetDisplayName().substr(4));
                    std::snprintf(
                        line, sizeof line, "sel=%d top=%u n=%zu preview=%d%d speed=%d shuffled=%d ",
                        browser->GetSelectedIndex(), shared.ScrollTop, shared.FolderItems.size(),
                        during, browser->IsPreviewing(), SpeedIndex(shared.Speed), shuffled);
                }
                state = browserShown() ? line : "";
                // The boxes of the options shown last: separate scores, continuous, full screen.
                if (Harness->SceneSequence().rfind("Options") + 7 ==
                    Harness->SceneSequence().size())
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
        EXPECT_EQ(Harness->SceneSequence() + "|" + state, row.Shown);
    }
}
