#include "app/SharedData.h"
#include "audio/backend/decode/TrackProbe.h"
#include "songs/FolderItem.h"
#include "songs/TrackInfo.h"
#include "songs/TrackInfoCache.h"
#include "support/LogCapture.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
namespace sf = SongFactory;

namespace
{
class TrackInfoReadTest : public ::testing::Test
{
protected:
    STrackInfoRequest Request(const std::string& name) const
    {
        STrackInfoRequest request;
        request.Path = (Music.Path() / name).string();
        request.FileName = name;
        request.Name = fs::path(name).stem().string();
        request.Places.Folder = Home.DataHome() / "korvane";
        return request;
    }
    void Song(const std::string& name, const std::string& title)
    {
        ASSERT_TRUE(sf::WriteMp3(Music.Path() / name, sf::Sine(44100, 2, 0.5, 440), false));
        ASSERT_TRUE(sf::WriteTags(Music.Path() / name, title, "", sf::ETagKind::Id3v2Utf8));
    }
    fs::path CacheFile() const { return Home.CacheHome() / "korvane" / "tracks"; }

    CTempHome Home;
    CTempDir Music;
};

// A pipe opened for reading would hang this test; the others must not count as songs either.
TEST_F(TrackInfoReadTest, WhatIsNoSongFileIsAnsweredWithoutOpeningIt)
{
    ASSERT_EQ(mkfifo((Music.Path() / "pipe.mp3").c_str(), 0644), 0);
    sf::WriteBytes(Music.Path() / "empty.ogg", {});
    fs::create_directory(Music.Path() / "folder.mp3");
    CTrackInfoCache cache(CacheFile());
    for (const char* name : {"pipe.mp3", "empty.ogg", "folder.mp3", "gone.mp3"})
    {
        const STrackInfo info = ReadTrackInfo(Request(name), &cache, true);
        EXPECT_FALSE(info.Song) << name;
        EXPECT_EQ(info.Path, Request(name).Path) << name;
    }
}

// The cache answers for a file of the same size and time without reading it (its bytes are
// junk now, the tags come from the cache); once its time changes it is read again.
TEST_F(TrackInfoReadTest, TheCacheAnswersOnlyForTheFileItSaw)
{
    Song("a.mp3", "Kept");
    const fs::path path = Music.Path() / "a.mp3";
    {
        CTrackInfoCache cache(CacheFile());
        EXPECT_EQ(ReadTrackInfo(Request("a.mp3"), &cache, true).Title, "Kept");
        EXPECT_TRUE(cache.Save());
    }
    const auto time = fs::last_write_time(path);
    sf::WriteBytes(path, sf::RandomBytes(size_t(fs::file_size(path)), 7));
    fs::last_write_time(path, time);
    {
        CTrackInfoCache cache(CacheFile());
        const STrackInfo info = ReadTrackInfo(Request("a.mp3"), &cache, true);
        EXPECT_TRUE(info.Song);
        EXPECT_EQ(info.Title, "Kept");
        EXPECT_GT(info.LengthBytes, 0);
    }
    fs::last_write_time(path, time + std::chrono::seconds(1));
    CTrackInfoCache cache(CacheFile());
    EXPECT_FALSE(ReadTrackInfo(Request("a.mp3"), &cache, true).Song);
}

TEST_F(TrackInfoReadTest, ADamagedOrForeignCacheIsIgnoredAndMadeAgain)
{
    const STrackKey key{"/music/a.mp3", 1000, 12345};
    const STrackKey other{"/music/b.mp3", 2000, 678};
    STrackFacts facts;
    facts.Song = true;
    facts.Title = "Title";
    facts.LengthBytes = 4000;
    {
        CTrackInfoCache cache(CacheFile());
        cache.Store(key, facts);
        ASSERT_TRUE(cache.Save());
    }
    const std::vector<uint8_t> good = sf::ReadBytes(CacheFile());
    ASSERT_GT(good.size(), 60u);
    auto with = [&](size_t at, uint8_t value)
    {
        std::vector<uint8_t> bytes = good;
        bytes[at] = value;
        return bytes;
    };
    const size_t magic = 20; // the header's text, then version, count and checksum
    const struct
    {
        const char* Damage;
        std::vector<uint8_t> Bytes;
    } cases[] = {
        {"a letter of a title changed", with(good.size() - 17, 't')}, // "Title" is near the end
        {"a record's length field changed", with(good.size() - 20, 1)},
        {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 3)},
        {"junk after the records",
         [&]
         {
             auto b = good;
             b.push_back(0);
             return b;
         }()},
        {"another program's file", with(0, 'K')},
        {"a later version", with(magic, 2)},
        {"more records than it holds", with(magic + 4, 2)},
        {"empty", {}},
    };
    for (const auto& c : cases)
    {
        ASSERT_TRUE(sf::WriteBytes(CacheFile(), c.Bytes));
        CLogCapture log;
        {
            CTrackInfoCache cache(CacheFile());
            STrackFacts found;
            EXPECT_FALSE(cache.Find(key, found)) << c.Damage;
            cache.Store(other, facts);
            EXPECT_TRUE(cache.Save()) << c.Damage;
        }
        EXPECT_NE(log.Text().find("is damaged or of another version: it is made again"),
                  std::string::npos)
            << c.Damage;
        CTrackInfoCache again(CacheFile());
        STrackFacts found;
        EXPECT_TRUE(again.Find(other, found)) << c.Damage;
        EXPECT_EQ(found.Title, "Title") << c.Damage;
    }
}

TEST_F(TrackInfoReadTest, TwoGamesSavingKeepEachOthersSongs)
{
    STrackFacts facts;
    facts.Song = true;
    facts.LengthBytes = 8;
    CTrackInfoCache first(CacheFile()), second(CacheFile());
    STrackFacts found;
    EXPECT_FALSE(first.Find({"/a", 1, 1}, found));
    EXPECT_FALSE(second.Find({"/b", 1, 1}, found));
    first.Store({"/a", 1, 1}, facts);
    second.Store({"/b", 1, 1}, facts);
    EXPECT_TRUE(first.Save());
    EXPECT_TRUE(second.Save());
    CTrackInfoCache third(CacheFile());
    EXPECT_TRUE(third.Find({"/a", 1, 1}, found));
    EXPECT_TRUE(third.Find({"/b", 1, 1}, found));
    EXPECT_FALSE(third.Find({"/b", 2, 1}, found)) << "another size is another file";
    EXPECT_FALSE(third.Find({"/b", 1, 2}, found)) << "another time is another file";
}

// A damaged MP3 keeps a header that counts frames its scan skips: the browser's quick read
// takes the header's length, the battle measures another, and the scores, the row and the
// cache follow the measured one.
TEST_F(TrackInfoReadTest, ALengthTheBattleMeasuresReplacesTheHeadersForGood)
{
    Song("damaged.mp3", "Damaged");
    const fs::path path = Music.Path() / "damaged.mp3";
    std::vector<uint8_t> bytes = sf::ReadBytes(path);
    const std::vector<uint8_t> junk = sf::RandomBytes(3000, 99);
    std::copy(junk.begin(), junk.end(), bytes.begin() + long(bytes.size() / 2));
    ASSERT_TRUE(sf::WriteBytes(path, bytes));
    korvane::backend::STrackTags exact;
    ASSERT_TRUE(korvane::backend::ProbeTrack(path, exact));

    CSharedData shared;
    shared.CurrentPath = Music.Path().string() + "/";
    shared.CommonHighscores = false;
    CFolderItem item(&shared, "damaged.mp3", CFolderItem::SongKind);
    const int32_t stored[3] = {77, 0, 0};
    fs::create_directories(Home.DataHome() / "korvane");
    ASSERT_TRUE(WriteHighscoreFile(Home.DataHome() / "korvane" /
                                       HighscoreFileName("Damaged", exact.LengthBytes, 255),
                                   stored));
    CTrackInfoCache cache(CacheFile());
    ASSERT_TRUE(item.TakeTrackInfo(
        ReadTrackInfo(item.TrackInfoRequest(HighscorePlaces(shared)), &cache, true)));
    ASSERT_NE(item.LengthBytes, exact.LengthBytes);
    EXPECT_EQ(item.GetBestRating(), 0);

    EXPECT_TRUE(item.TakeMeasuredLength(exact.LengthBytes));
    EXPECT_EQ(item.LengthBytes, exact.LengthBytes);
    EXPECT_EQ(item.GetBestRating(), 77);
    EXPECT_FALSE(item.TakeMeasuredLength(exact.LengthBytes)) << "the same length is no news";
    STrackInfoRequest remember = item.TrackInfoRequest(HighscorePlaces(shared));
    remember.MeasuredLength = exact.LengthBytes;
    RememberMeasuredLength(remember, cache);
    const STrackInfo next =
        ReadTrackInfo(item.TrackInfoRequest(HighscorePlaces(shared)), &cache, true);
    EXPECT_EQ(next.LengthBytes, exact.LengthBytes);
    EXPECT_EQ(next.Ratings[0], 77);
}
} // namespace
