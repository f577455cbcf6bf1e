// Whatever a player puts in a folder: files we cannot play give "Could not load …" and a
// false result; damaged or unusual songs open and read to their end without a hang or crash.
#include "audio/AudioFile.h"
#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/decode/TrackProbe.h"
#include "platform/Log.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <sys/stat.h>

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
    // Never opened for reading: a pipe would block until someone writes to it.
    const fs::path pipe = dir.Path() / "pipe.mp3";
    const fs::path folder = dir.Path() / "folder.mp3";
    const fs::path loop = dir.Path() / "loop.ogg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    ASSERT_TRUE(fs::create_directory(folder));
    fs::create_symlink(loop.filename(), loop);

    for (const fs::path& path :
         {dir.Path() / "missing.mp3", empty, random, text, headerOnly, pipe, folder, loop})
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
        while (file.GetSpectrum(bins.data()) == korvane::backend::ERead::Ok && reads < maxReads)
            ++reads;
        EXPECT_LT(reads, maxReads) << c.Name;
        korvane::backend::STrackTags tags;
        ASSERT_TRUE(korvane::backend::ProbeTrack(path, tags)) << c.Name;
        EXPECT_EQ(uint64_t(tags.LengthBytes), file.GetLength()) << c.Name;
    }
}

// Junk in the middle of an MP3, a page missing from an OGG: decoding goes on after the damage.
TEST(HostileFiles, CorruptFramesAreSkippedAndDecodingGoesOn)
{
    CTempDir dir;
    const sf::SPcm song = sf::Sine(44100, 2, 2.0, 440.0, 0.8);
    std::vector<uint8_t> mp3 = Mp3Bytes(song);
    const std::vector<uint8_t> junk = sf::RandomBytes(2000, 7);
    std::copy(junk.begin(), junk.end(), mp3.begin() + long(mp3.size() / 3));
    // Noise, so that the OGG has many pages of sound.
    ASSERT_TRUE(sf::WriteOgg(dir.Path() / "whole.ogg", sf::Noise(44100, 2, 2.0, 3, 0.8)));
    std::vector<uint8_t> ogg = sf::ReadBytes(dir.Path() / "whole.ogg");
    const std::string capture = "OggS";
    const auto page =
        std::search(ogg.begin() + long(ogg.size() / 3), ogg.end(), capture.begin(), capture.end());
    ogg.erase(page, std::search(page + 4, ogg.end(), capture.begin(), capture.end()));
    for (const auto& [name, bytes] : {std::pair{"corrupt.mp3", mp3}, std::pair{"hole.ogg", ogg}})
    {
        const fs::path path = dir.Path() / name;
        ASSERT_TRUE(sf::WriteBytes(path, bytes));
        CAudioFile file;
        ASSERT_TRUE(file.OpenDecoding(path)) << name;
        // Levels after the damage are the song's again: most 20 ms stretches near full level,
        // and the song reads on to its end (a page holds about a quarter of a second).
        int loud = 0, total = 0;
        for (uint32_t level; (level = file.GetLevel()) != 0xFFFFFFFFu; ++total)
            loud += (level & 0xFFFF) > 20000 ? 1 : 0;
        EXPECT_GT(total, 70) << name;
        EXPECT_GT(loud, total * 3 / 4) << name;
        // Read a frame at a time, the damage comes first in a read: that read is not the end.
        const auto reader = korvane::backend::OpenReader(path.string());
        int16_t frame[2];
        int64_t frames = 0;
        while (reader->Read(frame, 1) == 1)
            ++frames;
        EXPECT_GT(frames, 70 * 882) << name;
    }
}

namespace
{
size_t FindBytes(const std::vector<uint8_t>& bytes, const std::string& what)
{
    const auto at = std::search(bytes.begin(), bytes.end(), what.begin(), what.end());
    return at == bytes.end() ? std::string::npos : size_t(at - bytes.begin());
}

void PutLe(std::vector<uint8_t>& bytes, size_t at, uint64_t value, int width)
{
    for (int k = 0; k < width; ++k)
        bytes[at + size_t(k)] = uint8_t(value >> (8 * k));
}

// Ogg pages carry a CRC; a crafted file has a right one, so the damage reaches the decoder.
void FixOggPageCrc(std::vector<uint8_t>& bytes, size_t page)
{
    const size_t segments = bytes[page + 26];
    size_t end = page + 27 + segments;
    for (size_t s = 0; s < segments; ++s)
        end += bytes[page + 27 + s];
    PutLe(bytes, page + 22, 0, 4);
    uint32_t crc = 0;
    for (size_t i = page; i < end; ++i)
    {
        crc ^= uint32_t(bytes[i]) << 24;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    PutLe(bytes, page + 22, crc, 4);
}
} // namespace

// Header fields are whatever the file says: a rate no stream can hold is refused, never
// turned into a negative rate and length.
TEST(HostileFiles, AbsurdRatesInHeadersAreRefused)
{
    CTempDir dir;
    const fs::path oggSeed = dir.Path() / "seed.ogg";
    const fs::path wavSeed = dir.Path() / "seed.wav";
    ASSERT_TRUE(sf::WriteOgg(oggSeed, sf::Sine(44100, 2, 0.3, 440.0)));
    ASSERT_TRUE(sf::WriteWav(wavSeed, sf::Sine(44100, 2, 0.3, 440.0)));
    const std::vector<uint8_t> ogg = sf::ReadBytes(oggSeed);
    const std::vector<uint8_t> wav = sf::ReadBytes(wavSeed);
    // Identification header: 7 bytes of packet type and name, version, channels, then the rate.
    const size_t oggId = FindBytes(ogg, "\x01vorbis");
    const size_t wavFmt = FindBytes(wav, "fmt ");
    ASSERT_NE(oggId, std::string::npos);
    ASSERT_NE(wavFmt, std::string::npos);
    const size_t oggRate = oggId + 12;
    const size_t wavRate = wavFmt + 12;

    struct SCase
    {
        const char* Name;
        bool IsOgg;
        size_t At;
        uint32_t Rate;
    };
    const SCase cases[] = {
        {"rate-above-int.ogg", true, oggRate, 0xF4FFBA80u},
        {"rate-all-ones.ogg", true, oggRate, 0xFFFFFF7Fu},
        {"rate-two-gigahertz.wav", false, wavRate, 0x7FFFFFFFu},
    };
    for (const SCase& c : cases)
    {
        std::vector<uint8_t> bytes = c.IsOgg ? ogg : wav;
        PutLe(bytes, c.At, c.Rate, 4);
        if (c.IsOgg)
            FixOggPageCrc(bytes, 0); // the identification header's page
        const fs::path path = dir.Path() / c.Name;
        ASSERT_TRUE(sf::WriteBytes(path, bytes));
        CAudioFile file;
        const std::string log =
            CaptureLog([&] { EXPECT_FALSE(file.OpenDecoding(path)) << c.Name; });
        EXPECT_EQ(log, "Could not load " + path.string() + "\n");
        EXPECT_EQ(file.GetLength(), 0u) << c.Name;
        korvane::backend::STrackTags tags;
        EXPECT_FALSE(korvane::backend::ProbeTrack(path, tags)) << c.Name;
    }
}
