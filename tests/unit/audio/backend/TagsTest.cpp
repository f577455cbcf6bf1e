// Title and artist written by TagLib in every kind of tag read back as the same UTF-8, and
// the probe's length is the one the streams count.
#include "audio/backend/decode/TrackProbe.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <functional>

namespace fs = std::filesystem;
namespace sf = SongFactory;
using korvane::backend::ProbeTrack;
using korvane::backend::STrackTags;

TEST(Tags, RoundTripInEveryEncoding)
{
    struct SCase
    {
        sf::ETagKind Kind;
        sf::EFormat Format;
        const char* Title;
        const char* Artist;
    };
    const SCase cases[] = {
        {sf::ETagKind::Id3v1, sf::EFormat::Mp3Cbr, "Plain Song", "Some Band"},
        {sf::ETagKind::Id3v1, sf::EFormat::Mp3Cbr,
         "Caf\xc3\xa9 M\xc3\xbc"
         "de",
         "Bj\xc3\xb6"
         "rk"},
        {sf::ETagKind::Id3v2Latin1, sf::EFormat::Mp3Cbr, "Caf\xc3\xa9", "Na\xc3\xafve"},
        {sf::ETagKind::Id3v2Utf16, sf::EFormat::Mp3Cbr, "\xe6\x9d\xb1\xe4\xba\xac",
         "\xd0\x9c\xd0\xb8\xd1\x80"},
        {sf::ETagKind::Id3v2Utf16BE, sf::EFormat::Mp3VbrNoTag, "\xce\xa3\xce\xbf\xce\xbb",
         "Snow \xe2\x98\x83"},
        {sf::ETagKind::Id3v2Utf8, sf::EFormat::Mp3Cbr, "\xf0\x9f\x8e\xb5 Note",
         "\xc3\x85ngstr\xc3\xb6m"},
        {sf::ETagKind::Ape, sf::EFormat::Mp3Cbr, "Ape \xc3\xa9t\xc3\xa9", "Artist"},
        {sf::ETagKind::XiphComment, sf::EFormat::Ogg, "Vorbis \xe2\x99\xab",
         "\xe3\x83\x90\xe3\x83\xb3\xe3\x83\x89"},
        {sf::ETagKind::WavInfo, sf::EFormat::Wav, "Logo", "Studio"},
        {sf::ETagKind::Id3v2Utf8, sf::EFormat::Mp3Cbr, "", "Only Artist"},
        {sf::ETagKind::XiphComment, sf::EFormat::Ogg, "Only Title", ""},
    };
    const sf::SPcm pcm = sf::Sine(44100, 2, 0.3, 440.0);
    for (const SCase& c : cases)
    {
        CTempDir dir;
        const auto path = dir.Path() / "tagged.song";
        ASSERT_TRUE(sf::Write(path, pcm, c.Format));
        STrackTags before;
        ASSERT_TRUE(ProbeTrack(path, before));
        EXPECT_EQ(before.Title, "");
        EXPECT_EQ(before.Artist, "");
        ASSERT_TRUE(sf::WriteTags(path, c.Title, c.Artist, c.Kind)) << c.Title;
        STrackTags after;
        ASSERT_TRUE(ProbeTrack(path, after)) << c.Title;
        EXPECT_EQ(after.Title, c.Title);
        EXPECT_EQ(after.Artist, c.Artist);
        // Tags change the file, never the song's length.
        EXPECT_EQ(after.LengthBytes, before.LengthBytes) << c.Title;
    }
}

// The quick probe takes an MP3's length from its Xing/Info header only where the header
// describes the whole file, and it then equals the scan's whatever tags surround the frames.
// A middle damaged in place is the one case where they differ: the scan skips broken frames.
TEST(Tags, QuickLengthComesFromAHeaderThatDescribesTheWholeFile)
{
    const sf::SPcm pcm = sf::Sine(44100, 2, 1.0, 440.0);
    auto lame = [&](const fs::path& p) { return sf::WriteMp3(p, pcm, false); };
    auto edited = [&](const fs::path& p, auto edit)
    {
        if (!lame(p))
            return false;
        std::vector<uint8_t> bytes = sf::ReadBytes(p);
        edit(bytes);
        return sf::WriteBytes(p, bytes);
    };
    const struct
    {
        const char* Name;
        std::function<bool(const fs::path&)> Make;
        bool FromHeader, SameAsScan;
    } cases[] = {
        {"encoder.mp3", lame, true, true},
        {"id3v2-and-v1.mp3",
         [&](const fs::path& p)
         {
             return lame(p) && sf::WriteTags(p, "T", "A", sf::ETagKind::Id3v2Utf8) &&
                    sf::WriteTags(p, "T", "A", sf::ETagKind::Id3v1) &&
                    sf::AddId3v2Picture(p, 200000);
         },
         true, true},
        {"ape.mp3",
         [&](const fs::path& p)
         { return lame(p) && sf::WriteTags(p, "T", "A", sf::ETagKind::Ape); },
         false, true},
        {"no-header.mp3", [&](const fs::path& p) { return sf::WriteMp3(p, pcm, true); }, false,
         true},
        {"cut-short.mp3",
         [&](const fs::path& p) { return edited(p, [](auto& b) { b.resize(b.size() * 2 / 3); }); },
         false, true},
        {"two-joined.mp3",
         [&](const fs::path& p)
         { return edited(p, [](auto& b) { b.insert(b.end(), b.begin(), b.end()); }); },
         false, true},
        {"damaged-middle.mp3",
         [&](const fs::path& p)
         {
             return edited(p,
                           [](auto& b)
                           {
                               const auto junk = sf::RandomBytes(3000, 99);
                               std::copy(junk.begin(), junk.end(), b.begin() + long(b.size() / 2));
                           });
         },
         true, false},
    };
    CTempDir dir;
    for (const auto& c : cases)
    {
        const fs::path path = dir.Path() / c.Name;
        ASSERT_TRUE(c.Make(path)) << c.Name;
        STrackTags quick, exact;
        ASSERT_TRUE(ProbeTrack(path, quick, true)) << c.Name;
        ASSERT_TRUE(ProbeTrack(path, exact)) << c.Name;
        EXPECT_EQ(quick.FromHeader, c.FromHeader) << c.Name;
        EXPECT_FALSE(exact.FromHeader) << c.Name;
        EXPECT_EQ(quick.LengthBytes == exact.LengthBytes, c.SameAsScan) << c.Name;
        EXPECT_EQ(quick.Title, exact.Title) << c.Name;
    }
}
