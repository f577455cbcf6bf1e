#include "app/SharedData.h"
#include "songs/FolderItem.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using SongFactory::EFormat;
using SongFactory::ETagKind;

namespace
{
class TrackInfoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Shared.ProgramFolder = Program.Path().string() + "/";
        Shared.CurrentPath = Music.Path().string() + "/";
    }

    // A short song, tagged when a kind is given; returns its PCM byte count.
    int64_t MakeSong(const std::string& name, EFormat format, const std::string& title = "",
                     const std::string& artist = "", const ETagKind* kind = nullptr)
    {
        const auto pcm = SongFactory::Sine(44100, 2, 1.5, 440.0);
        EXPECT_TRUE(SongFactory::Write(Music.Path() / name, pcm, format));
        if (kind)
        {
            EXPECT_TRUE(SongFactory::WriteTags(Music.Path() / name, title, artist, *kind));
        }
        return pcm.Bytes();
    }

    CTempHome Home;
    CTempDir Music;
    CTempDir Program;
    CSharedData Shared;
};

TEST_F(TrackInfoTest, DisplayNameAndTitleFollowTheTagsThatArePresent)
{
    const ETagKind id3v1 = ETagKind::Id3v1, utf16 = ETagKind::Id3v2Utf16,
                   xiph = ETagKind::XiphComment;
    const struct
    {
        std::string File;
        EFormat Format;
        const ETagKind* Kind;
        std::string TitleTag, ArtistTag;
        std::string Display, Title;
    } cases[] = {
        {"track01.mp3", EFormat::Mp3Cbr, &id3v1, "Song", "Band", "Song[Band]", "Song"},
        {"track02.mp3", EFormat::Mp3Cbr, &utf16, "Café 曲", "", "Café 曲", "Café 曲"},
        {"track03.mp3", EFormat::Mp3Cbr, &utf16, "", "Bänd", "track03[Bänd]", "track03"},
        {"track04.mp3", EFormat::Mp3Cbr, nullptr, "", "", "track04.mp3", "track04"},
        {"track05.ogg", EFormat::Ogg, &xiph, "Ночь", "Группа", "Ночь[Группа]", "Ночь"},
        {"track06.ogg", EFormat::Ogg, &xiph, "", "Band", "track06[Band]", "track06"},
        {"track01.ogg", EFormat::Ogg, nullptr, "", "", "track01.ogg", "track01"},
        {"a.b.ogg", EFormat::Ogg, nullptr, "", "", "a.b.ogg", "a.b"},
    };
    for (const auto& c : cases)
    {
        const int64_t bytes = MakeSong(c.File, c.Format, c.TitleTag, c.ArtistTag, c.Kind);
        // A stored score found again proves the file was looked up by the exact length.
        fs::create_directories(Program.Path() / "highscores");
        const std::string score("\x2a\0\0\0\0\0\0\0\0\0\0\0", 12);
        std::ofstream(Program.Path() / "highscores" /
                          (c.Title + "-" + std::to_string(bytes) + ".hs"),
                      std::ios::binary)
            << score;

        CFolderItem item(&Shared, c.File, CFolderItem::SongKind);
        EXPECT_TRUE(item.ReadTrackInfo()) << c.File;
        EXPECT_EQ(item.GetDisplayName(), c.Display) << c.File;
        EXPECT_EQ(item.GetTitle(), c.Title) << c.File;
        EXPECT_EQ(item.GetBestRating(), 42) << c.File;
        EXPECT_FALSE(item.IsInfoPending());

        item.Title = "changed";
        EXPECT_FALSE(item.ReadTrackInfo()) << "read once only";
        EXPECT_EQ(item.GetTitle(), "changed");
    }
}

TEST_F(TrackInfoTest, FileThatCannotBeOpenedIsTracedOnceAndStaysAFileName)
{
    std::ofstream(Music.Path() / "broken.mp3") << "this is not audio at all";
    CFolderItem item(&Shared, "broken.mp3", CFolderItem::SongKind);
    testing::internal::CaptureStderr();
    const bool first = item.ReadTrackInfo();
    const bool second = item.ReadTrackInfo();
    const std::string traces = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(traces, "debug: no channel\n");
    EXPECT_FALSE(item.IsInfoPending());
    EXPECT_EQ(item.GetDisplayName(), "broken.mp3");
    EXPECT_TRUE(item.GetTitle().empty());
    EXPECT_EQ(item.GetBestRating(), 0);

    CFolderItem missing(&Shared, "missing.ogg", CFolderItem::SongKind);
    EXPECT_FALSE(missing.ReadTrackInfo());
    CFolderItem folder(&Shared, "Sub", CFolderItem::FolderKind);
    EXPECT_FALSE(folder.ReadTrackInfo());
    EXPECT_EQ(folder.GetDisplayName(), "Sub");
}

TEST_F(TrackInfoTest, SongWhoseNameIsNotUtf8StillOpens)
{
    const std::string name = "m\xe9lodie.ogg"; // Latin-1 é
    MakeSong(name, EFormat::Ogg);
    CFolderItem item(&Shared, name, CFolderItem::SongKind);
    EXPECT_TRUE(item.ReadTrackInfo());
    EXPECT_EQ(item.GetDisplayName(), "m\xEF\xBF\xBDlodie.ogg");
    EXPECT_EQ(item.GetTitle(), "m\xEF\xBF\xBDlodie");
}
} // namespace
