// Every format the game reads, in songs made by the real encoders (tests/data/make-format-songs):
// the length, every sample and a seek equal to the reference decoder's PCM, the tags, and the
// same level from two separate runs of the analysis.
#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/decode/TrackProbe.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace korvane::backend;

namespace
{
struct SSong
{
    std::string Name;
    int Channels = 0;
    int ReferenceBits = 0;
    int64_t Frames = 0;
    std::string Title, Artist;
};

const std::string Folder = KORVANE_FORMAT_SONGS;

std::vector<SSong> Songs()
{
    std::vector<SSong> songs;
    std::ifstream list(Folder + "/songs.txt");
    for (std::string line; std::getline(list, line);)
    {
        std::stringstream fields(line);
        SSong song;
        std::string channels, bits, frames;
        std::getline(fields, song.Name, '\t');
        std::getline(fields, channels, '\t');
        std::getline(fields, bits, '\t');
        std::getline(fields, frames, '\t');
        std::getline(fields, song.Title, '\t');
        std::getline(fields, song.Artist, '\t');
        song.Channels = std::stoi(channels);
        song.ReferenceBits = std::stoi(bits);
        song.Frames = std::stoll(frames);
        songs.push_back(song);
    }
    return songs;
}

// The reference decoder's samples brought to 16 bits by shifting, as the readers must.
std::vector<int16_t> Reference(const SSong& song)
{
    std::ifstream file(Folder + "/reference/" + song.Name + ".raw", std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
    const size_t width = size_t(song.ReferenceBits / 8);
    std::vector<int16_t> samples;
    for (size_t at = 0; at + width <= bytes.size(); at += width)
    {
        int32_t value = int8_t(bytes[at + width - 1]); // the sign comes with the top byte
        for (size_t k = width - 1; k-- > 0;)
            value = value * 256 + bytes[at + k];
        samples.push_back(int16_t(width >= 2 ? value >> (8 * (width - 2)) : value * 256));
    }
    return samples;
}

std::vector<int16_t> ReadFrames(CReader& reader, int64_t frames)
{
    std::vector<int16_t> all(size_t(frames * reader.Channels()));
    int64_t got = 0;
    while (got < frames)
    {
        const int64_t n = reader.Read(all.data() + got * reader.Channels(), frames - got);
        if (n == 0)
            break;
        got += n;
    }
    all.resize(size_t(got * reader.Channels()));
    return all;
}

std::string Analysis(const std::string& path)
{
    std::string out;
    if (std::FILE* tool =
            popen((KORVANE_ANALYZE_PATH " --levels '" + path + "' 2>&1").c_str(), "r"))
    {
        char buffer[4096];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, tool))
            out.append(buffer, n);
        pclose(tool);
    }
    return out;
}
} // namespace

TEST(Formats, EverySongDecodesAsItsReferenceDecoderAndAnalysesTheSameTwice)
{
    const std::vector<SSong> songs = Songs();
    ASSERT_EQ(songs.size(), 21u) << "the songs of make-format-songs";
    const auto openFiles = []
    { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto filesBefore = openFiles();
    for (const SSong& song : songs)
    {
        SCOPED_TRACE(song.Name);
        const std::string path = Folder + "/songs/" + song.Name;
        // A first open that counts by decoding keeps what it decoded when it has room for the
        // whole song (as the analysis opens it, with room to spare); with room for half it
        // decodes again.
        const uint64_t bytes = uint64_t(song.Frames * 2 * song.Channels);
        std::unique_ptr<CReader> reader =
            OpenReader(path, song.Name == "wma.wma" ? bytes / 2 : 2 * bytes);
        ASSERT_TRUE(reader);
        ASSERT_EQ(reader->Channels(), song.Channels);
        EXPECT_EQ(reader->Frames(), song.Frames);
        const std::vector<int16_t> reference = Reference(song);
        ASSERT_GE(int64_t(reference.size()), song.Frames * song.Channels);
        // Every sample: the first 3000 frames, then from frame 1000 on after a seek back.
        const auto same = [&](const std::vector<int16_t>& read, int64_t from, int64_t frames)
        {
            EXPECT_EQ(int64_t(read.size()), frames * song.Channels) << "from frame " << from;
            const auto start = reference.begin() + from * song.Channels;
            const auto differ = std::mismatch(read.begin(), read.end(), start);
            EXPECT_EQ(differ.first, read.end())
                << "from frame " << from << ": first different sample "
                << differ.first - read.begin();
        };
        same(ReadFrames(*reader, 3000), 0, 3000);
        ASSERT_TRUE(reader->Seek(1000));
        same(ReadFrames(*reader, song.Frames + 100), 1000, song.Frames - 1000);
        const int64_t near = song.Frames - 1500; // far from the start, so the decoders seek
        ASSERT_TRUE(reader->Seek(near));
        same(ReadFrames(*reader, 1000), near, 1000);
        // Read in pieces shorter than a block, the samples are the same.
        ASSERT_TRUE(reader->Seek(0));
        std::vector<int16_t> pieces;
        for (int piece = 0; piece < 9; ++piece)
        {
            const std::vector<int16_t> part = ReadFrames(*reader, 777);
            pieces.insert(pieces.end(), part.begin(), part.end());
        }
        same(pieces, 0, std::min<int64_t>(9 * 777, song.Frames));

        STrackTags tags;
        ASSERT_TRUE(ProbeTrack(path, tags));
        EXPECT_EQ(tags.Title, song.Title);
        EXPECT_EQ(tags.Artist, song.Artist);
        EXPECT_EQ(tags.LengthBytes, song.Frames * 2 * song.Channels);
        reader.reset();
        EXPECT_EQ(openFiles(), filesBefore) << "a file of the song left open";

        const std::string first = Analysis(path);
        EXPECT_NE(first.find("length_bytes: " + std::to_string(tags.LengthBytes) + "\n"),
                  std::string::npos)
            << first;
        EXPECT_EQ(first.find("# weapons: 0\n"), std::string::npos) << first;
        EXPECT_EQ(Analysis(path), first);
    }
}
