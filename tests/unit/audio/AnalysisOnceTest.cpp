// The analysis that reads its song once, ahead on a thread, against the analysis it replaced,
// which read the decode-only stream three times (level scan, pass 1, pass 2): the same samples
// (position and 96 levels), the same map, the same progress figures and log lines, on the demo
// songs, the songs of every format up to 48 kHz, and odd songs made here.
#include "audio/Audio.h"
#include "audio/map/AudioMap.h"
#include "audio/map/Sample.h"
#include "support/LogCapture.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using SongFactory::EFormat;

namespace
{
struct SSample
{
    int64_t Position;
    std::array<int32_t, 96> Levels;
    int32_t Dominant;
    SampleKind Kind;
    bool operator==(const SSample&) const = default;
};

struct SRun
{
    int32_t MaxLeft = 0;
    int32_t MaxRight = 0;
    float Multiplier = 0;
    // Each figure once, in order (they never go back), from the 0 shown before the first step.
    std::vector<int32_t> Progress = {0};
    std::vector<SSample> Handed; // as the passes handed them to the map
    std::vector<SSample> Built;  // after the clean-up and the weapons
    int32_t Weapons = 0;
    bool operator==(const SRun&) const = default;
};

// A song read to its end: the block that reaches the end makes no sample, in both passes.
size_t ExpectedSampleCount(int64_t frames)
{
    const int64_t passOne = frames > 0 ? (frames - 1) / 8192 : 0;
    const int64_t passTwo = frames > 4096 ? (frames - 4097) / 8192 : 0;
    return size_t(passOne + passTwo);
}

void AddFigure(std::vector<int32_t>& progress, int32_t figure)
{
    if (progress.empty() || progress.back() != figure)
        progress.push_back(figure);
}

std::vector<SSample> Samples(const CAudioMap& map)
{
    std::vector<SSample> out;
    for (const auto& s : map.GetSamples())
    {
        SSample o{s->GetPosition(), {}, s->GetDominant(), s->GetKind()};
        for (int32_t n = 0; n < 96; ++n)
            o.Levels[size_t(n)] = s->GetLevel(n);
        out.push_back(o);
    }
    return out;
}

void Finish(CAudioMap& map, SRun& run)
{
    run.Handed = Samples(map);
    map.SmoothNotes();
    map.CorrectOutliers();
    map.FoldOctaves();
    map.SmoothNotes();
    map.ClassifyWeapons();
    run.Built = Samples(map);
    run.Weapons = map.GetWeaponCount();
}

// The analysis as it was: a level scan of 20 ms readings, then two passes of 8192-frame
// spectra, each over the decode-only stream, the second from half the first block on.
SRun ReadThreeTimes(const fs::path& path, const int32_t* bins)
{
    SRun run;
    CAudioFile stream;
    if (!stream.OpenDecoding(path.string()))
        return run;
    const uint64_t length = stream.GetLength();
    int32_t left = 1, right = 1;
    for (;;)
    {
        const uint64_t before = stream.GetPosition();
        const uint32_t level = before < length ? stream.GetLevel() : 0xFFFFFFFFu;
        const uint64_t now = stream.GetPosition();
        if (level == 0xFFFFFFFFu || now == before)
            break;
        left = std::max(left, int32_t(level & 0xFFFF));
        right = std::max(right, int32_t(level >> 16));
        AddFigure(run.Progress, int32_t(now * 100 / length));
    }
    AddFigure(run.Progress, 100);
    run.MaxLeft = left;
    run.MaxRight = right;
    run.Multiplier = float(32767.0 / std::max(left, right));

    std::vector<std::unique_ptr<CSample>> passes[2];
    int64_t blockBytes = 0;
    stream.SetPosition(0);
    for (int pass = 0; pass < 2; ++pass)
    {
        auto blockStart = int64_t(stream.GetPosition());
        std::vector<float> spectrum(4096);
        while (stream.GetSpectrum(spectrum.data()) == korvane::backend::ERead::Ok &&
               stream.GetPosition() < length)
        {
            if (pass == 0 && passes[0].empty())
                blockBytes = int64_t(stream.GetPosition());
            auto sample = std::make_unique<CSample>();
            sample->SetPosition(blockStart);
            for (int32_t n = 0; n < 96; ++n)
            {
                const double value = bins[n] < 4096 ? double(spectrum[size_t(bins[n])]) *
                                                          double(run.Multiplier) * 1000.0
                                                    : 0.0;
                sample->SetNoteLevel(n, value >= 2147483647.0 ? INT32_MAX : int32_t(value));
            }
            passes[pass].push_back(std::move(sample));
            blockStart = int64_t(stream.GetPosition());
            AddFigure(
                run.Progress,
                int32_t(std::min<uint64_t>(pass * 900 + uint64_t(blockStart) * 900 / length, 1799) /
                            2 +
                        100));
        }
        AddFigure(run.Progress, pass == 0 ? 550 : 1000);
        stream.SetPosition(blockBytes / 2);
    }
    CAudioMap map;
    for (size_t i = 0; i < std::max(passes[0].size(), passes[1].size()); ++i)
        for (auto& list : passes)
            if (i < list.size())
                map.AddSample(list[i].release());
    map.SilenceLastSample();
    Finish(map, run);
    return run;
}

class AnalysisOnceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Audio.Init()); }
    void TearDown() override { Audio.Shutdown(); }

    // Both analyses of one song; false when it does not open.
    bool Compare(const fs::path& path, int32_t expectedRate = 0)
    {
        SRun now;
        std::string log;
        {
            CLogCapture capture;
            if (!Audio.OpenForAnalysis(path.string()))
                return false;
            CSongAnalysis& analysis = Audio.GetAnalysis();
            EXPECT_TRUE(expectedRate == 0 || analysis.GetSongRate() == expectedRate) << path;
            EXPECT_EQ(analysis.GetAnalysisRate(), analysis.GetSongRate()) << path;
            analysis.StartDecoding();
            for (int32_t p = 0; p < 1000;)
                AddFigure(now.Progress, p = analysis.DecodeStep());
            now.MaxLeft = analysis.GetMaxLevelLeft();
            now.MaxRight = analysis.GetMaxLevelRight();
            now.Multiplier = analysis.GetLevelMultiplier();
            LengthBytes = analysis.GetLengthBytes();
            Audio.CloseAnalysis();
            log = capture.Text();
        }
        Finish(*Audio.GetAudioMap(), now);
        const SRun before = ReadThreeTimes(path, Audio.GetAnalysis().GetNoteBins());
        // The same figures in the same order; the scan reads longer stretches per step, so it
        // may pass over some of its own (below 100).
        const auto passes = [](const std::vector<int32_t>& p)
        { return std::vector<int32_t>(std::find(p.begin(), p.end(), 100), p.end()); };
        EXPECT_EQ(passes(now.Progress), passes(before.Progress)) << path;
        EXPECT_TRUE(std::includes(before.Progress.begin(), before.Progress.end(),
                                  now.Progress.begin(), now.Progress.end()))
            << path;
        EXPECT_EQ(now.MaxLeft, before.MaxLeft) << path;
        EXPECT_EQ(now.MaxRight, before.MaxRight) << path;
        EXPECT_EQ(now.Multiplier, before.Multiplier) << path;
        EXPECT_EQ(now.Handed.size(), before.Handed.size()) << path;
        for (size_t i = 0; i < std::min(now.Handed.size(), before.Handed.size()); ++i)
            if (now.Handed[i] != before.Handed[i])
            {
                ADD_FAILURE() << path << ": sample " << i << " differs";
                break;
            }
        EXPECT_TRUE(now.Built == before.Built) << path;
        EXPECT_EQ(now.Weapons, before.Weapons) << path;
        char expected[200];
        std::snprintf(expected, sizeof expected,
                      "Max Level : %d-%d\nLevel Multiplicator : %f\npass 1 over\npass 2 over\n",
                      before.MaxLeft, before.MaxRight, double(before.Multiplier));
        EXPECT_EQ(log, expected) << path;
        return true;
    }

    CAudio Audio;
    CTempDir Dir;
    uint64_t LengthBytes = 0; // of the song compared last
};

TEST_F(AnalysisOnceTest, DemoSongsGiveTheSamplesOfThreeReadings)
{
    int songs = 0;
    for (const auto& entry : fs::directory_iterator(KORVANE_MUSIC_DIR))
        if (entry.path().extension() == ".mp3" || entry.path().extension() == ".ogg")
            songs += Compare(entry.path(), 44100) ? 1 : 0;
    EXPECT_GE(songs, 6);
}

TEST_F(AnalysisOnceTest, SongsOfEveryFormatGiveTheSamplesOfThreeReadings)
{
    // songs.txt: name, channels, reference bits, frames, title, artist; the rate is the song's.
    std::ifstream list(std::string(KORVANE_FORMAT_SONGS) + "/songs.txt");
    int compared = 0, high = 0;
    for (std::string line; std::getline(list, line);)
    {
        const fs::path path =
            fs::path(KORVANE_FORMAT_SONGS) / "songs" / line.substr(0, line.find('\t'));
        ASSERT_TRUE(Audio.OpenForAnalysis(path.string())) << path;
        const int32_t rate = Audio.GetAnalysis().GetSongRate();
        Audio.CloseAnalysis();
        if (rate > 48000)
            ++high; // analysed at 44.1 or 48 kHz: see AnalysisTest
        else
            compared += Compare(path) ? 1 : 0;
    }
    EXPECT_GE(compared, 15);
    EXPECT_EQ(high, 2);

    // A song whose decoder ends before the length its container gave: the last block of each
    // pass is the part decoded, padded with silence, as before.
    const fs::path cut = fs::path(KORVANE_FORMAT_SONGS) / "damaged" / "cut short.m4a";
    EXPECT_TRUE(Compare(cut));
    const auto frames = int64_t(LengthBytes / 4);
    EXPECT_GT(Audio.GetAudioMap()->GetSamples().size(), ExpectedSampleCount(frames))
        << "the decoder reads this song to its end: it no longer tests a song cut short";
}

TEST_F(AnalysisOnceTest, OddSongsGiveTheSamplesOfThreeReadings)
{
    struct SCase
    {
        const char* Name;
        SongFactory::SPcm Pcm;
        EFormat Format;
    };
    std::vector<SCase> cases = {
        {"one frame.wav", SongFactory::FromFrames(44100, 1, {1000}), EFormat::Wav},
        {"half a block.wav", SongFactory::Sine(22050, 2, 0.2, 440.0), EFormat::Wav},
        {"4 kHz.wav", SongFactory::Noise(4000, 1, 6.0, 3, 0.8), EFormat::Wav},
        {"8 kHz.mp3", SongFactory::Scale(8000, 1, 50, 6, 0.3), EFormat::Mp3Cbr},
        {"six channels.ogg", SongFactory::Noise(48000, 6, 2.0, 6), EFormat::Ogg},
        {"vbr without header.mp3", SongFactory::Scale(44100, 2, 40, 10, 0.2), EFormat::Mp3VbrNoTag},
        {"silence.ogg", SongFactory::Silence(44100, 2, 1.0), EFormat::Ogg},
        {"full scale.wav", SongFactory::Sine(48000, 2, 1.0, 1000.0, 1.0), EFormat::Wav},
    };
    // Lengths around the blocks of both passes, mono and stereo.
    for (int64_t frames : {8192 * 4, 8192 * 4 + 1, 8192 * 4 + 4096, 8192 * 4 + 4097, 12287})
        for (int channels : {1, 2})
        {
            std::vector<int16_t> data(size_t(frames * channels));
            for (size_t i = 0; i < data.size(); ++i)
                data[i] = int16_t(int32_t((i * 7919) % 20000) - 10000);
            cases.push_back(
                {"blocks.wav", SongFactory::FromFrames(44100, channels, data), EFormat::Wav});
        }
    for (const SCase& c : cases)
    {
        const fs::path path = Dir.Path() / c.Name;
        ASSERT_TRUE(SongFactory::Write(path, c.Pcm, c.Format)) << c.Name;
        EXPECT_TRUE(Compare(path)) << c.Name;
    }

    // Damaged songs give the map of the audio they really hold, as before.
    const fs::path whole = Dir.Path() / "whole.mp3";
    ASSERT_TRUE(
        SongFactory::Write(whole, SongFactory::Scale(44100, 2, 50, 8, 0.5), EFormat::Mp3Cbr));
    auto bytes = SongFactory::ReadBytes(whole);
    auto truncated = bytes;
    truncated.resize(bytes.size() / 2 + 211);
    const auto junk = SongFactory::RandomBytes(3000, 99);
    std::copy(junk.begin(), junk.end(), bytes.begin() + long(bytes.size() / 2));
    ASSERT_TRUE(SongFactory::WriteBytes(Dir.Path() / "truncated.mp3", truncated));
    ASSERT_TRUE(SongFactory::WriteBytes(Dir.Path() / "corrupt.mp3", bytes));
    EXPECT_TRUE(Compare(Dir.Path() / "truncated.mp3"));
    EXPECT_TRUE(Compare(Dir.Path() / "corrupt.mp3"));
}
} // namespace
