// Every decoder behind the reader interface: exact lengths (gapless where the file says so),
// sample-exact seeks, and the same length for every way of opening a file.
#include "audio/backend/decode/FrameCountMemo.h"
#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/decode/TrackProbe.h"
#include "audio/backend/reads/DecodeStream.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <unistd.h>

using namespace korvane::backend;
namespace sf = SongFactory;

namespace
{
struct SCase
{
    const char* Name;
    sf::EFormat Format;
    int Rate;
    int Channels;
    bool ExactLength; // the file carries its true length (gapless info or a lossless format)
};

const SCase Cases[] = {
    {"wav_44k_stereo", sf::EFormat::Wav, 44100, 2, true},
    {"wav_22k_mono", sf::EFormat::Wav, 22050, 1, true},
    {"ogg_44k_stereo", sf::EFormat::Ogg, 44100, 2, true},
    {"ogg_48k_mono", sf::EFormat::Ogg, 48000, 1, true},
    {"mp3cbr_44k_stereo", sf::EFormat::Mp3Cbr, 44100, 2, true},
    {"mp3cbr_22k_mono", sf::EFormat::Mp3Cbr, 22050, 1, true},
    {"mp3cbr_48k_stereo", sf::EFormat::Mp3Cbr, 48000, 2, true},
    {"mp3vbr_notag_44k_stereo", sf::EFormat::Mp3VbrNoTag, 44100, 2, false},
    {"mp3vbr_notag_22k_mono", sf::EFormat::Mp3VbrNoTag, 22050, 1, false},
};

std::vector<int16_t> ReadAll(CReader& reader, int64_t chunk = 3000)
{
    std::vector<int16_t> all;
    std::vector<int16_t> buffer(size_t(chunk * reader.Channels()));
    while (int64_t got = reader.Read(buffer.data(), chunk))
        all.insert(all.end(), buffer.begin(), buffer.begin() + got * reader.Channels());
    return all;
}

class DecoderTest : public ::testing::TestWithParam<SCase>
{
protected:
    void SetUp() override
    {
        const SCase& c = GetParam();
        Source = sf::Scale(c.Rate, c.Channels, 50, 12, 0.1, 0.6);
        Path = (Dir.Path() / (std::string(c.Name) + ".song")).string();
        ASSERT_TRUE(sf::Write(Path, Source, c.Format));
    }
    CTempDir Dir;
    sf::SPcm Source;
    std::string Path;
};
} // namespace

TEST_P(DecoderTest, LengthIsWhatTheFileHolds)
{
    const SCase& c = GetParam();
    std::unique_ptr<CReader> reader = OpenReader(Path);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Rate(), c.Rate);
    EXPECT_EQ(reader->Channels(), c.Channels);
    const std::vector<int16_t> all = ReadAll(*reader);
    EXPECT_EQ(int64_t(all.size()) / c.Channels, reader->Frames()) << "decoded frames";
    if (c.ExactLength)
        EXPECT_EQ(reader->Frames(), Source.Frames());
    else
    {
        // No gapless information: encoder delay and padding stay in, at most a few frames.
        EXPECT_GT(reader->Frames(), Source.Frames());
        EXPECT_LT(reader->Frames(), Source.Frames() + 4 * 1152);
    }
    if (c.Format == sf::EFormat::Wav)
    {
        EXPECT_EQ(all, Source.Samples);
    }
}

TEST_P(DecoderTest, SeekGivesTheSamePcmAsDecodingFromTheStart)
{
    const SCase& c = GetParam();
    std::unique_ptr<CReader> reader = OpenReader(Path);
    ASSERT_TRUE(reader);
    const std::vector<int16_t> all = ReadAll(*reader);
    // Outside the song a seek lands at its start (-1 is the seek to 0) or its end.
    for (int64_t frame :
         {int64_t(-1), int64_t(1), int64_t(1151), int64_t(4097), int64_t(c.Rate / 3),
          reader->Frames() - 100, reader->Frames(), reader->Frames() + 4096})
    {
        ASSERT_TRUE(reader->Seek(frame)) << frame;
        const std::vector<int16_t> tail = ReadAll(*reader, 777);
        const int64_t at = std::clamp<int64_t>(frame, 0, reader->Frames());
        const std::vector<int16_t> expected(all.begin() + at * c.Channels, all.end());
        EXPECT_EQ(tail, expected) << "seek to frame " << frame;
    }
}

TEST_P(DecoderTest, EveryWayOfOpeningCountsTheSameBytes)
{
    std::unique_ptr<CReader> reader = OpenReader(Path);
    ASSERT_TRUE(reader);
    const int64_t bytes = reader->Frames() * 2 * reader->Channels();
    auto decoding = CDecodeStream::Open(Path, 1 << 30);
    ASSERT_TRUE(decoding);
    EXPECT_EQ(decoding->LengthBytes(), bytes);
    STrackTags tags;
    ASSERT_TRUE(ProbeTrack(Path, tags));
    EXPECT_EQ(tags.LengthBytes, bytes);
}

INSTANTIATE_TEST_SUITE_P(Formats, DecoderTest, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(DecoderContent, PicksTheDecoderByContentNotByName)
{
    CTempDir dir;
    const sf::SPcm pcm = sf::Sine(44100, 2, 0.5, 440.0);
    const auto mp3 = dir.Path() / "really-an-mp3.ogg";
    const auto ogg = dir.Path() / "really-an-ogg.wav";
    const auto wav = dir.Path() / "really-a-wav.mp3";
    ASSERT_TRUE(sf::Write(mp3, pcm, sf::EFormat::Mp3Cbr));
    ASSERT_TRUE(sf::Write(ogg, pcm, sf::EFormat::Ogg));
    ASSERT_TRUE(sf::Write(wav, pcm, sf::EFormat::Wav));
    EXPECT_EQ(SniffContainer(mp3.string()), EContainer::Mpeg);
    EXPECT_EQ(SniffContainer(ogg.string()), EContainer::Ogg);
    EXPECT_EQ(SniffContainer(wav.string()), EContainer::Riff);
    for (const auto& path : {mp3, ogg, wav})
    {
        std::unique_ptr<CReader> reader = OpenReader(path.string());
        ASSERT_TRUE(reader) << path;
        EXPECT_EQ(reader->Frames(), pcm.Frames()) << path;
    }
}

// A length that had to be counted is counted once per file; a file written again (another size
// or time) is counted anew, and one whose identity cannot be read is counted every time.
TEST(FrameCountMemo, CountsEachFileOnceUntilItChanges)
{
    CTempDir dir;
    const auto path = dir.Path() / "song.wma";
    int counted = 0;
    const auto count = [&](int fd, int64_t frames)
    { return CFrameCountMemo::OfThisRun().Count(fd, [&] { return ++counted, frames; }); };
    const auto countFile = [&](int64_t frames)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const int64_t got = count(fd, frames);
        ::close(fd);
        return got;
    };
    std::ofstream(path) << "first";
    EXPECT_EQ(countFile(1000), 1000);
    EXPECT_EQ(countFile(2000), 1000);
    std::ofstream(path) << "written again";
    EXPECT_EQ(countFile(3000), 3000);
    EXPECT_EQ(count(-1, 7), 7);
    EXPECT_EQ(count(-1, 8), 8);
    EXPECT_EQ(counted, 4);
}
