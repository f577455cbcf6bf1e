// Ogg Vorbis setup headers are checked before libvorbis decodes with them: every song an encoder
// writes opens, a setup that would make libvorbis divide by zero is refused like any file we
// cannot play.
#include "audio/AudioFile.h"
#include "audio/backend/decode/OggReader.h"
#include "audio/backend/decode/TrackProbe.h"
#include "audio/backend/decode/VorbisSetupCheck.h"
#include "support/LogCapture.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace sf = SongFactory;
namespace fs = std::filesystem;
using korvane::backend::COggReader;
using korvane::backend::CVorbisSetupCheck;

namespace
{
// Opens through the whole chain a player's song meets; the reader also reads to the end.
void ExpectOpens(const fs::path& path)
{
    SCOPED_TRACE(path.string());
    CVorbisSetupCheck check;
    EXPECT_TRUE(check.IsSound(path.string(), 0));
    COggReader reader;
    ASSERT_TRUE(reader.Open(path.string()));
    std::vector<int16_t> pcm(size_t(4096 * reader.Channels()));
    int64_t frames = 0;
    for (int64_t got; (got = reader.Read(pcm.data(), 4096)) > 0;)
        frames += got;
    EXPECT_EQ(frames, reader.Frames());
    korvane::backend::STrackTags tags;
    EXPECT_TRUE(korvane::backend::ProbeTrack(path.string(), tags));
}

void ExpectRefused(const fs::path& path)
{
    SCOPED_TRACE(path.string());
    CAudioFile file;
    CLogCapture log;
    EXPECT_FALSE(file.OpenDecoding(path));
    EXPECT_EQ(log.Text(), "Could not load " + path.string() + "\n");
    EXPECT_EQ(file.GetLength(), 0u);
    korvane::backend::STrackTags tags;
    EXPECT_FALSE(korvane::backend::ProbeTrack(path.string(), tags));
}

bool RunCommand(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

size_t FindBytes(const std::vector<uint8_t>& bytes, const std::string& what, size_t from = 0)
{
    const auto at = std::search(bytes.begin() + long(from), bytes.end(), what.begin(), what.end());
    return at == bytes.end() ? std::string::npos : size_t(at - bytes.begin());
}

// Vorbis fields are packed least significant bit first.
uint32_t GetBits(const std::vector<uint8_t>& bytes, size_t bit, int count)
{
    uint32_t value = 0;
    for (int k = 0; k < count; ++k, ++bit)
        value |= uint32_t(bytes[bit / 8] >> (bit % 8) & 1) << k;
    return value;
}

void PutBits(std::vector<uint8_t>& bytes, size_t bit, int count, uint32_t value)
{
    for (int k = 0; k < count; ++k, ++bit)
        bytes[bit / 8] =
            uint8_t((bytes[bit / 8] & ~(1u << (bit % 8))) | ((value >> k & 1) << (bit % 8)));
}

// A page whose body changed needs its CRC again, or libogg drops it before any decoder.
void FixPageCrc(std::vector<uint8_t>& bytes, size_t page)
{
    const size_t segments = bytes[page + 26];
    size_t end = page + 27 + segments;
    for (size_t s = 0; s < segments; ++s)
        end += bytes[page + 27 + s];
    std::fill(bytes.begin() + long(page) + 22, bytes.begin() + long(page) + 26, 0);
    uint32_t crc = 0;
    for (size_t i = page; i < end; ++i)
    {
        crc ^= uint32_t(bytes[i]) << 24;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int k = 0; k < 4; ++k)
        bytes[page + 22 + size_t(k)] = uint8_t(crc >> (8 * k));
}

// A second link of a chained file needs a stream number of its own.
void SetSerial(std::vector<uint8_t>& bytes, uint32_t serial)
{
    for (size_t page = FindBytes(bytes, "OggS"); page != std::string::npos;
         page = FindBytes(bytes, "OggS", page + 1))
    {
        for (int k = 0; k < 4; ++k)
            bytes[page + 14 + size_t(k)] = uint8_t(serial >> (8 * k));
        FixPageCrc(bytes, page);
    }
}

// Where the setup packet of a small encoder-made song lies: it starts and ends in one page.
struct SSetupAt
{
    size_t Page = 0;  // the page's first byte
    size_t Start = 0; // the packet's type byte
    size_t End = 0;   // one past the page body
};

SSetupAt FindSetup(const std::vector<uint8_t>& bytes)
{
    SSetupAt at;
    at.Start = FindBytes(bytes, "\x05vorbis");
    for (size_t p = 0; p < at.Start; p = FindBytes(bytes, "OggS", p + 1))
        at.Page = p;
    const size_t segments = bytes[at.Page + 26];
    at.End = at.Page + 27 + segments;
    for (size_t s = 0; s < segments; ++s)
        at.End += bytes[at.Page + 27 + s];
    return at;
}

// Bit offsets of every codebook in the setup packet, found by their 24-bit sync pattern.
std::vector<size_t> CodebookBits(const std::vector<uint8_t>& bytes, const SSetupAt& setup)
{
    std::vector<size_t> books;
    for (size_t bit = setup.Start * 8; bit + 64 <= setup.End * 8; ++bit)
        if (GetBits(bytes, bit, 24) == 0x564342)
            books.push_back(bit);
    return books;
}
} // namespace

TEST(VorbisSetup, EverySongAnEncoderWritesOpens)
{
    CTempDir dir;
    int made = 0;
    for (int channels : {1, 2, 6})
        for (int rate : {8000, 11025, 22050, 32000, 44100, 48000, 96000})
            for (float quality : {-0.1f, 0.4f, 1.0f})
            {
                const fs::path path =
                    dir.Path() / ("song-" + std::to_string(channels) + "-" + std::to_string(rate) +
                                  "-" + std::to_string(quality) + ".ogg");
                ASSERT_TRUE(sf::WriteOgg(path, sf::Noise(rate, channels, 0.3, rate), quality));
                ExpectOpens(path);
                ++made;
            }
    // The command-line encoder over its whole quality range.
    const fs::path wav = dir.Path() / "tone.wav";
    ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 2 -b 16 '" + wav.string() +
                           "' synth 0.5 sine 440 sine 660 2>/dev/null"));
    for (const char* quality : {"-1", "0", "5", "10"})
    {
        const fs::path path = dir.Path() / (std::string("oggenc-q") + quality + ".ogg");
        ASSERT_TRUE(RunCommand(std::string("oggenc -Q -q ") + quality + " -o '" + path.string() +
                               "' '" + wav.string() + "'"));
        ExpectOpens(path);
        ++made;
    }
    // Two songs one after the other make a chained file; each link's setup is checked.
    const std::vector<uint8_t> first = sf::ReadBytes(dir.Path() / "oggenc-q10.ogg");
    std::vector<uint8_t> chained = sf::ReadBytes(dir.Path() / "oggenc-q5.ogg");
    chained.insert(chained.begin(), first.begin(), first.end());
    ASSERT_TRUE(sf::WriteBytes(dir.Path() / "chained.ogg", chained));
    ExpectOpens(dir.Path() / "chained.ogg");
    for (const auto& entry : fs::directory_iterator(KORVANE_MUSIC_DIR))
        if (entry.path().extension() == ".ogg")
        {
            ExpectOpens(entry.path());
            ++made;
        }
    EXPECT_GE(made, 70);
}

// Every codebook of a real setup header in turn gets dimension 0, or 0 entries, or a wrong
// codeword length.
TEST(VorbisSetup, MalformedCodebooksAreRefused)
{
    CTempDir dir;
    const fs::path seed = dir.Path() / "seed.ogg";
    ASSERT_TRUE(sf::WriteOgg(seed, sf::Scale(44100, 2, 40, 4, 0.1)));
    const std::vector<uint8_t> ogg = sf::ReadBytes(seed);
    const SSetupAt setup = FindSetup(ogg);
    ASSERT_NE(setup.Start, std::string::npos);
    ASSERT_LT(setup.Start, setup.End);
    const std::vector<size_t> books = CodebookBits(ogg, setup);
    // Type and name, the book count, then the first book right after.
    ASSERT_FALSE(books.empty());
    EXPECT_EQ(books[0], (setup.Start + 8) * 8);
    EXPECT_EQ(books.size(), size_t(ogg[setup.Start + 7]) + 1);

    int variant = 0;
    for (size_t book : books)
        for (const auto& [field, width] : {std::pair{24, 16}, std::pair{40, 24}})
        {
            std::vector<uint8_t> bytes = ogg;
            PutBits(bytes, book + size_t(field), width, 0);
            FixPageCrc(bytes, setup.Page);
            const fs::path path = dir.Path() / ("variant-" + std::to_string(variant++) + ".ogg");
            ASSERT_TRUE(sf::WriteBytes(path, bytes));
            ExpectRefused(path);
        }

    // One codeword length one bit off leaves the code tree over- or underfull: libvorbis opens
    // such a file and then divides by zero on the first audio packet.
    int lengths = 0;
    for (size_t book : books)
    {
        // After sync, dimensions and entries: the ordered flag, then either the first length
        // or the sparse flag and the first entry (its used flag, then its length).
        size_t length = book + 64 + 1;
        if (!GetBits(ogg, book + 64, 1))
        {
            const bool sparse = GetBits(ogg, book + 65, 1);
            if (sparse && !GetBits(ogg, book + 66, 1))
                continue; // first entry unused
            length = book + 66 + (sparse ? 1 : 0);
        }
        std::vector<uint8_t> bytes = ogg;
        PutBits(bytes, length, 1, GetBits(ogg, length, 1) ^ 1);
        FixPageCrc(bytes, setup.Page);
        const fs::path path = dir.Path() / ("lengths-" + std::to_string(lengths++) + ".ogg");
        ASSERT_TRUE(sf::WriteBytes(path, bytes));
        ExpectRefused(path);
    }
    EXPECT_GT(lengths, int(books.size()) / 2);

    // A wrong length in the second link of a chained file: libvorbisfile opens it, so the
    // check after the open has to find it.
    std::vector<uint8_t> bytes = sf::ReadBytes(dir.Path() / "lengths-0.ogg");
    SetSerial(bytes, 0x5EC0D);
    bytes.insert(bytes.begin(), ogg.begin(), ogg.end());
    const fs::path chained = dir.Path() / "chained.ogg";
    ASSERT_TRUE(sf::WriteBytes(chained, bytes));
    ExpectRefused(chained);
}
