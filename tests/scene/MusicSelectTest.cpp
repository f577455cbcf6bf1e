#include "MusicSelectFixture.h"

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

// The pointer's row is overlaid, whichever row it was on before, and no row is once it leaves
// the list.
TEST_F(MusicSelectTest, OnlyTheRowUnderThePointerIsOverlaid)
{
    struct SCase
    {
        std::vector<int> Ys;
        int Hovered; // -1: none
    };
    const int above = RowY(0) - 10, below = RowY(20) + 30;
    const std::vector<SCase> cases = {
        {{RowY(0) + 5}, 0},
        {{RowY(1) + 5}, 1},
        {{RowY(0) + 5, below}, -1},
        {{RowY(1) + 5, above}, -1},
        {{RowY(1) + 5, RowY(0) + 5}, 0},
        {{below}, -1},
    };
    const auto rows = [](CGraphics& g)
    {
        std::vector<std::vector<uint32_t>> out;
        for (int r = 0; r < 3; ++r)
            out.push_back(ScreenBlock(g, 40, RowY(r) + 4, 300, 12));
        return out;
    };
    for (size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(i);
        Harness.reset();
        Harness = std::make_unique<CSceneHarness>();
        CTempDir folder;
        Fill(folder.Path(), 0, 3);
        Open(folder.Path());
        std::vector<std::vector<uint32_t>> bare, shown;
        Harness->AtFrame(2, [&](CGraphics& g) { bare = rows(g); });
        uint64_t frame = 2;
        for (const int y : cases[i].Ys)
            Harness->At(frame++, H::Motion(300, y));
        Harness->AtFrame(frame, [&](CGraphics& g) { shown = rows(g); });
        Harness->At(frame, H::Quit());
        Run();
        ASSERT_EQ(shown.size(), 3u);
        for (int r = 0; r < 3; ++r)
        {
            EXPECT_EQ(shown[r] != bare[r], r == cases[i].Hovered) << "row " << r;
        }
    }
}

// Tags are read for the rows shown and the two pages around them; the rest of a long folder
// waits until the player scrolls near it. (The worker's reads are done between frames here.)
TEST_F(MusicSelectTest, TrackInfoIsReadForTheRowsShownAndThoseAroundThem)
{
    Fill(Music.Path(), 120); // "..", then 120 songs
    Open(Music.Path());
    CSharedData& shared = Harness->Shared();
    std::vector<std::string> seen;
    auto read = [&](CGraphics&)
    {
        std::string line;
        for (size_t i = 0; i < shared.FolderItems.size(); ++i)
            line += shared.FolderItems[i]->IsInfoPending() ? '.' : 'r';
        seen.push_back(line);
    };
    Harness->AtFrame(4, read);
    Harness->At(4, H::Key(SDLK_END));
    Harness->AtFrame(8, read);
    Harness->At(8, H::Quit());
    Run();
    // Row 0 is "..": rows 1 to 19 shown and the 40 below; then the last 20 and the 40 above.
    EXPECT_EQ(seen, std::vector<std::string>({std::string(60, 'r') + std::string(61, '.'),
                                              std::string(60, 'r') + "." + std::string(60, 'r')}));
}

// Randomize where there is no song to shuffle says so in the panel.
TEST_F(MusicSelectTest, RandomizeWithoutSongsSaysSo)
{
    Fill(Music.Path(), 0, 3);
    Open(Music.Path());
    int place = -2;
    Harness->At(2, H::Click(520, 530));
    Harness->AtFrame(4,
                     [&](CGraphics& g)
                     {
                         place = TextOffPlace(g, Harness->Shared(), "No songs here to shuffle", 0,
                                              10, 444, false, 128);
                     });
    Harness->At(4, H::Quit());
    Run();
    EXPECT_EQ(place, 0);
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
            // Where the log of the last battle asked for begins, and where it ends.
            const auto& asked = Harness->Asked();
            size_t battle = log.npos, battleEnd = log.npos;
            for (size_t i = 0; i < asked.size(); ++i)
                if (asked[i].Id == ESceneId::Battle)
                    battle = asked[i].LogAt,
                    battleEnd = i + 1 < asked.size() ? asked[i + 1].LogAt : log.npos;
            if (Harness->Current() == "Battle")
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
                const bool wasRefused = log.find("Could not load", battle) < battleEnd;
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
    EXPECT_EQ(Harness->SceneSequence(), expected);
    // Truncated, 0.1 s, long title, big cover, odd name, silence, 8 kHz, 96 kHz, six channels,
    // and the locked one when it can be read (as root).
    EXPECT_GE(analysed, 9u);
    EXPECT_GE(refused, 3u);
    EXPECT_EQ(panelWrong, 0u);
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
        std::string Expected; // the browser's log line, for a bug report
    } cases[] = {
        {Music.Path() / "not a song.txt",
         (Music.Path() / "not a song.txt").string() +
             " is not a song the game plays; showing its folder\n"},
        {Music.Path(), ""},
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
                if (Harness->Current() == "Music Select" &&
                    Harness->LogText().find(c.Expected) != std::string::npos)
                    H::Push(H::Quit());
            });
        Harness->Run(new CSplashScene());
        const std::string log = Harness->LogText();
        EXPECT_NE(log.find(c.Expected, Harness->Asked().at(0).LogAt), std::string::npos) << log;
        EXPECT_EQ(Harness->SceneSequence(), "Splash,Music Select");
        EXPECT_EQ(Harness->Asked().at(0).Id, ESceneId::MusicSelect);
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
