#pragma once
// What the browser's scene tests share: songs and folders made at once, and a harness that
// opens the browser on a folder of the test's own.
#include "MenuChecks.h"
#include "app/SharedData.h"
#include "audio/backend/decode/TrackProbe.h"
#include "graphics/Graphics.h"
#include "menus/CreditsScene.h"
#include "menus/HowToPlayScene.h"
#include "menus/OptionsScene.h"
#include "menus/SplashScene.h"
#include "menus/TitleScene.h"
#include "musicselect/MusicSelectScene.h"
#include "platform/AppPath.h"
#include "platform/Settings.h"
#include "songs/FolderItem.h"
#include "songs/Highscores.h"
#include "support/SceneRunner.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;
using H = CSceneHarness;

inline int RowY(int row)
{
    return 28 + 20 * row;
}

// True when every pixel of the picture but its magenta ones is on the screen at (x, y).
inline bool PictureAt(CGraphics& g, const std::string& file, int x, int y)
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

inline void Song(const fs::path& file, const std::string& title)
{
    ASSERT_TRUE(SongFactory::WriteMp3(file, SongFactory::Sine(44100, 2, 0.5, 440), false));
    if (!title.empty())
    {
        ASSERT_TRUE(SongFactory::WriteTags(file, title, "", SongFactory::ETagKind::Id3v2Utf8));
    }
}

// `count` names for one song (hard links: made at once) and `folders` sub-folders.
inline void Fill(const fs::path& folder, int count, int folders = 0)
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
        Settings::WriteText(Settings::Key::CurrentPath, folder.string());
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
