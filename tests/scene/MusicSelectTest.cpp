#include "MenuChecks.h"
#include "app/SharedData.h"
#include "audio/backend/decode/TrackProbe.h"
#include "graphics/Graphics.h"
#include "menus/CreditsScene.h"
#include "menus/HowToPlayScene.h"
#include "menus/OptionsScene.h"
#include "menus/SplashScene.h"
#include "menus/TitleScene.h"
#include "musicselect/FolderItem.h"
#include "musicselect/Highscores.h"
#include "musicselect/MusicSelectScene.h"
#include "platform/AppPath.h"
#include "platform/Settings.h"
#include "support/SceneRunner.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;
using H = CSceneHarness;

namespace
{
int RowY(int row)
{
    return 28 + 20 * row;
}

// True when every pixel of the picture but its magenta ones is on the screen at (x, y).
bool PictureAt(CGraphics& g, const std::string& file, int x, int y)
{
    CImage picture;
    picture.Load(file, true);
    bool shown = picture.GetSurface() != nullptr;
    for (int row = 0; shown && row < picture.GetHeight(); ++row)
        for (int column = 0; shown && column < picture.GetWidth(); ++column)
        {
            const uint32_t rgb = SurfaceRgb(picture.GetSurface(), column, row);
            shown = rgb == 0xFF00FF || rgb == ScreenBlock(g, x + column, y + row, 1, 1)[0];
        }
    picture.Free();
    return shown;
}

void Song(const fs::path& file, const std::string& title)
{
    ASSERT_TRUE(SongFactory::WriteMp3(file, SongFactory::Sine(44100, 2, 0.5, 440), false));
    if (!title.empty())
    {
        ASSERT_TRUE(SongFactory::WriteTags(file, title, "", SongFactory::ETagKind::Id3v2Utf8));
    }
}

// `count` names for one song (hard links: made at once) and `folders` sub-folders.
void Fill(const fs::path& folder, int count, int folders = 0)
{
    if (count > 0)
        Song(folder / "song0.mp3", "");
    for (int i = 1; i < count; ++i)
        fs::create_hard_link(folder / "song0.mp3", folder / ("song" + std::to_string(i) + ".mp3"));
    for (int i = 0; i < folders; ++i)
        fs::create_directory(folder / ("folder" + std::to_string(i)));
}

class MusicSelectTest : public ::testing::Test
{
protected:
    // The browser opens on `folder`; highscores go to the temporary home.
    void Open(const fs::path& folder)
    {
        ASSERT_TRUE(Harness->Ready());
        Settings::WriteText("CurrentPath", folder.string());
        Harness->Shared().CommonHighscores = false;
    }
    void Run()
    {
        Harness->Run(new CMusicSelectScene());
        EXPECT_FALSE(Harness->HitFrameLimit());
    }

    CTempHome Home;
    CTempDir Music;
    std::unique_ptr<CSceneHarness> Harness = std::make_unique<CSceneHarness>();
};
} // namespace

TEST_F(MusicSelectTest, RatingsAndMedalsFollowTheSpeedArrows)
{
    for (int rating : {0, 59, 60, 80, 90, 100})
    {
        const std::string title = "R" + std::to_string(rating);
        const fs::path file = Music.Path() / (title + ".mp3");
        Song(file, title);
        korvane::backend::STrackTags tags;
        ASSERT_TRUE(korvane::backend::ProbeTrack(file, tags));
        fs::create_directories(UserHighscoreFolder());
        const int32_t stored[3] = {0, rating, 0}; // Normal only
        ASSERT_TRUE(WriteHighscoreFile(
            UserHighscoreFolder() / HighscoreFileName(title, tags.LengthBytes, 255), stored));
    }
    Open(Music.Path());
    // Per frame: the speed label shown, then each song's title, rating text and medal.
    std::vector<std::string> seen;
    auto check = [&](CGraphics& g)
    {
        CSharedData& shared = Harness->Shared();
        std::string line;
        for (const char* speed : {"Slow", "Normal", "Fast"})
            if (TextOffPlace(g, shared, speed, 1, 620, 440, true) == 0)
                line += speed;
        std::vector<std::string> rows;
        for (int row = 1; row < 7; ++row)
        {
            std::string text = "---";
            if (const int rating = shared.FolderItems[row]->GetBestRating())
                text = std::to_string(rating) + "%";
            const int left = 699 - TextSize(shared, text, 0).first;
            std::string shown = shared.FolderItems[row]->GetTitle() + ":";
            shown +=
                TextOffPlace(g, shared, text, 0, left, RowY(row), false, 128) == 0 ? text : "?";
            for (const char* medal : {"bronze", "silver", "gold", "perfect"})
                if (PictureAt(g, std::string("data/minim") + medal + "2.png", 720, RowY(row)))
                    shown += std::string("/") + medal;
            rows.push_back(shown);
        }
        std::sort(rows.begin(), rows.end());
        for (const std::string& row : rows)
            line += " " + row;
        seen.push_back(line);
    };
    for (uint64_t frame : {30, 32, 34, 36, 38})
        Harness->AtFrame(frame, check);
    Harness->At(30, H::Click(690, 455)); // up: Normal
    Harness->At(32, H::Click(540, 455)); // down: Slow
    Harness->At(34, H::Click(540, 455)); // down: Fast
    Harness->AtFrame(36, [&](CGraphics&) { Harness->Shared().Speed = 1.5f; });
    Harness->At(36, H::Click(690, 455)); // any other speed stays, with no label
    Harness->At(38, H::Quit());
    Run();
    const std::string none = " R0:--- R100:--- R59:--- R60:--- R80:--- R90:---";
    EXPECT_EQ(seen, std::vector<std::string>(
                        {"Slow" + none,
                         "Normal R0:--- R100:100%/perfect R59:59% R60:60%/bronze R80:80%/silver "
                         "R90:90%/gold",
                         "Slow" + none, "Fast" + none, none}));
    EXPECT_EQ(Harness->Shared().Speed, 1.5f);
}

// Greek is drawn with a fallback font: the game font has no Greek, and its boxes would look
// the same for both titles. The game font still draws "Song", so those pixels match.
TEST_F(MusicSelectTest, TitlesThatDifferOnlyInGreekLettersLookDifferent)
{
    const std::vector<std::string> titles = {"Song αβγ", "Song δεζ"};
    Song(Music.Path() / "a.mp3", titles[0]);
    Song(Music.Path() / "b.mp3", titles[1]);
    Open(Music.Path());
    std::vector<std::vector<bool>> ink; // name column pixels unlike the row's background
    Harness->AtFrame(
        30,
        [&](CGraphics& g)
        {
            const auto& items = Harness->Shared().FolderItems;
            for (const std::string& title : titles)
                for (size_t i = 0; i < items.size(); ++i)
                    if (items[i]->GetDisplayName() == title)
                    {
                        CImage row;
                        row.Load(i % 2 ? "data/folderline.png" : "data/folderline2.png", false);
                        const auto shown = ScreenBlock(g, 0, RowY(int(i)), 600, 20);
                        ink.emplace_back();
                        for (size_t p = 0; p < shown.size(); ++p)
                            ink.back().push_back(shown[p] != SurfaceRgb(row.GetSurface(),
                                                                        int(p % 600),
                                                                        int(p / 600)));
                        row.Free();
                    }
        });
    Harness->At(30, H::Quit());
    Run();
    ASSERT_EQ(ink.size(), 2u);
    const int latin = 10 + TextSize(Harness->Shared(), "Song", 0).first;
    int greekInk[2] = {0, 0};
    for (size_t p = 0; p < ink[0].size(); ++p)
        if (int(p % 600) < latin)
            EXPECT_EQ(ink[0][p], ink[1][p]) << "x " << p % 600 << ", y " << p / 600;
        else
            greekInk[0] += ink[0][p], greekInk[1] += ink[1][p];
    EXPECT_GT(greekInk[0], 20);
    EXPECT_GT(greekInk[1], 20);
    EXPECT_NE(ink[0], ink[1]);
}

TEST_F(MusicSelectTest, WheelAndThumbScrollOnlyListsOfMoreThanTwentyEntries)
{
    struct SCase
    {
        int Folders; // entries: these and ".."
        std::vector<SDL_Event> Events;
        uint32_t ScrollTop;
        int ThumbY;
    };
    const SDL_Event down = H::Click(300, 200, SDL_BUTTON_WHEELDOWN);
    const SDL_Event up = H::Click(300, 200, SDL_BUTTON_WHEELUP);
    const SDL_Event thumb = H::Click(784, 36);
    const std::vector<SCase> cases = {
        {24, std::vector<SDL_Event>(8, down), 5, 412},
        {24, {down, down, down, up, up, up, up}, 0, 28},
        {24, {thumb, H::Motion(784, 600)}, 5, 412},
        {24, {thumb, H::Motion(784, 220)}, 2, 181},
        {24, {thumb, H::Motion(784, 412), H::Motion(784, 0)}, 0, 28},
        {24, {thumb, H::Release(784, 36), H::Motion(784, 412)}, 0, 28},
        // The track below and above the thumb: a page, and no drag.
        {24, {H::Click(784, 44), H::Motion(784, 28)}, 5, 412},
        {44, {H::Click(784, 427), H::Click(784, 427), H::Click(784, 44)}, 5, 104},
        {19, {down, down, thumb, H::Motion(784, 412)}, 0, 28},
    };
    for (size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(i);
        Harness.reset();
        Harness = std::make_unique<CSceneHarness>();
        CTempDir folder;
        Fill(folder.Path(), 0, cases[i].Folders);
        Open(folder.Path());
        for (const SDL_Event& event : cases[i].Events)
            Harness->At(2, event);
        bool thumbShown = false;
        Harness->AtFrame(3, [&](CGraphics& g)
                         { thumbShown = PictureAt(g, "data/thumb.png", 776, cases[i].ThumbY); });
        Harness->At(3, H::Quit());
        Run();
        EXPECT_EQ(Harness->Shared().ScrollTop, cases[i].ScrollTop);
        EXPECT_TRUE(thumbShown);
    }
}

TEST_F(MusicSelectTest, TrackInfoIsReadOneSongPerFrameAndOnlyOnTheRowsShown)
{
    Fill(Music.Path(), 30);
    Open(Music.Path());
    size_t read = 0, mostInOneFrame = 0;
    Harness->EachFrame(
        [&](uint64_t)
        {
            size_t now = 0;
            for (const auto& item : Harness->Shared().FolderItems)
                now += item->GetKind() == CFolderItem::SongKind && !item->IsInfoPending();
            mostInOneFrame = std::max(mostInOneFrame, now - read);
            read = now;
        });
    Harness->At(80, H::Quit());
    Run();
    EXPECT_EQ(mostInOneFrame, 1u);
    EXPECT_EQ(read, 19u); // rows 1 to 19; row 0 is ".."
}

// Each bad file is listed, read, clicked and played: the battle returns to the browser by
// itself when it cannot open the song, else on Q once the song is analysed. Nothing crashes.
TEST_F(MusicSelectTest, EveryKindOfBadFileIsClickedAndPlayedWithoutHarm)
{
    ASSERT_TRUE(SongFactory::WriteHostileFolder(Music.Path()));
    Open(Music.Path());
    CSharedData& shared = Harness->Shared();
    size_t next = 0, analysed = 0;
    bool quitPushed = false;
    size_t checkedBattle = 0, refused = 0, panelWrong = 0;
    std::string expected = "Music Select";
    Harness->EachFrame(
        [&](uint64_t frame)
        {
            const std::string log = Harness->LogText();
            const size_t battle = log.rfind("Scene Battle starting\n");
            if (battle != std::string::npos && log.find("Scene Battle ending", battle) == log.npos)
            {
                if (!quitPushed && log.find("Decoding complete", battle) != log.npos)
                    H::Push(H::Key(SDLK_q)), quitPushed = true, ++analysed;
                return;
            }
            quitPushed = false;
            // Back from a song the analysis refused, the panel says so in place of "Select a
            // file to play"; after any other song it does not.
            if (battle != log.npos && std::exchange(checkedBattle, battle) != battle)
            {
                const bool wasRefused =
                    log.find("Could not load", battle) < log.find("Scene Battle ending", battle);
                const bool said = TextOffPlace(*shared.Graphics, shared,
                                               "Cannot play this file: not an audio file we can "
                                               "read",
                                               0, 10, 444, false, 128) == 0;
                refused += wasRefused;
                panelWrong += wasRefused != said;
            }
            if (frame < 60) // every title read
                return;
            if (next == 0)
                next = shared.FirstSongItem;
            if (next >= shared.FolderItems.size())
                return H::Push(H::Quit());
            H::Push(H::Click(300, RowY(int(next++)) + 5));
            H::Push(H::Click(520, 495)); // Play
            expected += ",Battle,Music Select";
        });
    Run();
    EXPECT_EQ(next, 18u); // "..", the folder song.mp3, then sixteen songs
    EXPECT_EQ(SceneSequence(Harness->LogText()), expected);
    // Truncated, 0.1 s, long title, big cover, odd name, silence, 8 kHz, 96 kHz, six channels,
    // and the locked one when it can be read (as root).
    EXPECT_GE(analysed, 9u);
    EXPECT_GE(refused, 3u);
    EXPECT_EQ(panelWrong, 0u);
}

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
            Harness->AtFrame(++frame, [&](CGraphics&)
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

// "Open with" from a file manager, with what is not a song: after the splash the browser opens
// at the file's folder, or at the folder named; the title is never shown. (The game's process
// tests open songs.)
TEST_F(MusicSelectTest, AStartPathOpensTheBrowserThere)
{
    fs::copy_file(BuildAppPath("data/tessel.wav"), Music.Path() / "not a song.txt");
    const struct
    {
        fs::path Path;
        std::string Expected; // in the log after the splash
    } cases[] = {
        {Music.Path() / "not a song.txt",
         "Scene Music Select starting\n" + (Music.Path() / "not a song.txt").string() +
             " is not a song the game plays; showing its folder\n"},
        {Music.Path(), "Scene Splash ending\nScene Music Select starting\n"},
        {Music.Path() / "gone.mp3", "No song or folder at " + (Music.Path() / "gone.mp3").string()},
    };
    for (const auto& c : cases)
    {
        Harness.reset(); // one engine at a time
        Harness = std::make_unique<CSceneHarness>();
        Harness->Shared().StartPath = c.Path.string();
        Harness->EachFrame(
            [&](uint64_t)
            {
                if (Harness->LogText().find(c.Expected) != std::string::npos)
                    H::Push(H::Quit());
            });
        Harness->Run(new CSplashScene());
        const std::string log = Harness->LogText();
        EXPECT_NE(log.find(c.Expected), std::string::npos) << log;
        EXPECT_EQ(log.find("Scene Title"), std::string::npos) << log;
    }
}

// A song deleted after the list was read says so where "Select a file to play" was, and its row
// leaves the list; the next song clicked plays and the panel is as before.
TEST_F(MusicSelectTest, ASongGoneSinceTheListingSaysSoAndLeavesTheList)
{
    Fill(Music.Path(), 3);
    Open(Music.Path());
    CSharedData& shared = Harness->Shared();
    int gonePlace = -2, afterPlace = -2;
    size_t entries = 0;
    Harness->AtFrame(3, [&](CGraphics&) { fs::remove(Music.Path() / "song1.mp3"); });
    Harness->At(3, H::Click(300, RowY(2) + 5)); // song1
    Harness->AtFrame(5,
                     [&](CGraphics& g)
                     {
                         gonePlace =
                             TextOffPlace(g, shared, "This file is gone", 0, 10, 444, false, 128);
                         entries = shared.FolderItems.size();
                     });
    Harness->At(5, H::Click(300, RowY(2) + 5)); // song2, in its place now
    Harness->AtFrame(
        7, [&](CGraphics& g)
        { afterPlace = TextOffPlace(g, shared, "Select a file to play", 1, 10, 440, false); });
    Harness->At(7, H::Quit());
    Run();
    EXPECT_EQ(gonePlace, 0);
    EXPECT_EQ(entries, 3u);
    EXPECT_EQ(afterPlace, 0);
}
