// Whatever a player puts in a folder: files we cannot play give "Could not load …" and a
// false result; damaged or unusual songs open and read to their end without a hang or crash.
#include "audio/AudioFile.h"
#include "audio/backend/TrackProbe.h"
#include "platform/Log.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace sf = SongFactory;
namespace fs = std::filesystem;

namespace
{
// Runs `body` with the log going to a temporary file; returns what was logged.
std::string CaptureLog(const std::function<void()>& body)
{
    std::FILE* file = std::tmpfile();
    SetLogStream(file);
    body();
    SetLogStream(stdout);
    std::string text(size_t(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

std::vector<uint8_t> Mp3Bytes(const sf::SPcm& pcm)
{
    CTempDir dir;
    const fs::path path = dir.Path() / "x.mp3";
    sf::WriteMp3(path, pcm, false);
    return sf::ReadBytes(path);
}
} // namespace

TEST(HostileFiles, UnplayableFilesAreRefusedWithALogLine)
{
    CTempDir dir;
    const fs::path empty = dir.Path() / "empty.mp3";
    const fs::path random = dir.Path() / "random.mp3";
    const fs::path text = dir.Path() / "notes.ogg";
    const fs::path headerOnly = dir.Path() / "header-only.mp3";
    ASSERT_TRUE(sf::WriteBytes(empty, {}));
    ASSERT_TRUE(sf::WriteBytes(random, sf::RandomBytes(4096, 1234)));
    const std::string words = "This is not a song, just some text someone saved as .ogg\n";
    ASSERT_TRUE(sf::WriteBytes(text, std::vector<uint8_t>(words.begin(), words.end())));
    const std::vector<uint8_t> mp3 = Mp3Bytes(sf::Sine(44100, 2, 0.5, 440.0));
    ASSERT_TRUE(sf::WriteBytes(headerOnly, std::vector<uint8_t>(mp3.begin(), mp3.begin() + 3)));

    for (const fs::path& path : {dir.Path() / "missing.mp3", empty, random, text, headerOnly})
    {
        CAudioFile file;
        std::string log = CaptureLog([&] { EXPECT_FALSE(file.OpenDecoding(path)) << path; });
        EXPECT_EQ(log, "Could not load " + path.string() + "\n");
        EXPECT_EQ(file.GetHandle(), 0u);
        EXPECT_EQ(file.GetLength(), 0u);
        EXPECT_EQ(file.GetLevel(), 0u);
        korvane::backend::STrackTags tags;
        EXPECT_FALSE(korvane::backend::ProbeTrack(path, tags)) << path;
    }
}

TEST(HostileFiles, DamagedAndUnusualSongsOpenAndReadToTheirEnd)
{
    CTempDir dir;
    struct SCase
    {
        const char* Name;
        std::function<bool(const fs::path&)> Make;
    };
    const sf::SPcm song = sf::Scale(44100, 2, 40, 8, 0.25);
    const SCase cases[] = {
        {"truncated-mid-frame.mp3",
         [&](const fs::path& p)
         {
             std::vector<uint8_t> bytes = Mp3Bytes(song);
             bytes.resize(bytes.size() / 2 + 211);
             return sf::WriteBytes(p, bytes);
         }},
        {"corrupt-middle.mp3",
         [&](const fs::path& p)
         {
             std::vector<uint8_t> bytes = Mp3Bytes(song);
             const std::vector<uint8_t> junk = sf::RandomBytes(3000, 99);
             std::copy(junk.begin(), junk.end(), bytes.begin() + long(bytes.size() / 2));
             return sf::WriteBytes(p, bytes);
         }},
        {"tenth-of-a-second.mp3",
         [](const fs::path& p) { return sf::WriteMp3(p, sf::Sine(44100, 2, 0.1, 440.0), false); }},
        {"tenth-of-a-second.ogg",
         [](const fs::path& p) { return sf::WriteOgg(p, sf::Sine(44100, 2, 0.1, 440.0)); }},
        {"8000hz.mp3", [](const fs::path& p)
         { return sf::WriteMp3(p, sf::Sine(8000, 1, 1.0, 440.0), false, 32); }},
        {"96000hz.ogg",
         [](const fs::path& p) { return sf::WriteOgg(p, sf::Sine(96000, 2, 1.0, 440.0)); }},
        {"96000hz.wav",
         [](const fs::path& p) { return sf::WriteWav(p, sf::Sine(96000, 2, 0.5, 440.0)); }},
        {"six-channels.ogg",
         [](const fs::path& p) { return sf::WriteOgg(p, sf::Noise(48000, 6, 1.0, 6)); }},
        {"big-picture.mp3",
         [&](const fs::path& p)
         {
             return sf::WriteMp3(p, song, false) && sf::AddId3v2Picture(p, 5 << 20) &&
                    sf::WriteTags(p, "Pictured", "Band", sf::ETagKind::Id3v2Utf8);
         }},
    };
    for (const SCase& c : cases)
    {
        const fs::path path = dir.Path() / c.Name;
        ASSERT_TRUE(c.Make(path)) << c.Name;
        CAudioFile file;
        ASSERT_TRUE(file.OpenDecoding(path)) << c.Name;
        ASSERT_GT(file.GetLength(), 0u) << c.Name;
        // Every read moves on or reports the end: the walk finishes in a bounded number of reads.
        const uint64_t maxReads = file.GetLength() / 2 / 160 + 10;
        uint64_t reads = 0;
        while (file.GetLevel() != 0xFFFFFFFFu && reads < maxReads)
            ++reads;
        EXPECT_LT(reads, maxReads) << c.Name;
        file.SetPosition(0);
        std::vector<float> bins(4096);
        reads = 0;
        while (file.GetSpectrum(bins.data()) == ESpectrumRead::Ok && reads < maxReads)
            ++reads;
        EXPECT_LT(reads, maxReads) << c.Name;
        korvane::backend::STrackTags tags;
        ASSERT_TRUE(korvane::backend::ProbeTrack(path, tags)) << c.Name;
        EXPECT_EQ(uint64_t(tags.LengthBytes), file.GetLength()) << c.Name;
    }
}

TEST(HostileFiles, CorruptFramesAreSkippedAndDecodingGoesOn)
{
    CTempDir dir;
    const sf::SPcm song = sf::Sine(44100, 2, 2.0, 440.0, 0.8);
    std::vector<uint8_t> bytes = Mp3Bytes(song);
    const std::vector<uint8_t> junk = sf::RandomBytes(2000, 7);
    std::copy(junk.begin(), junk.end(), bytes.begin() + long(bytes.size() / 3));
    const fs::path path = dir.Path() / "corrupt.mp3";
    ASSERT_TRUE(sf::WriteBytes(path, bytes));
    CAudioFile file;
    ASSERT_TRUE(file.OpenDecoding(path));
    // Levels after the damage are the song's again: most 20 ms stretches near full level.
    int loud = 0, total = 0;
    for (uint32_t level; (level = file.GetLevel()) != 0xFFFFFFFFu; ++total)
        loud += (level & 0xFFFF) > 20000 ? 1 : 0;
    EXPECT_GT(total, 90);
    EXPECT_GT(loud, total * 3 / 4);
}
