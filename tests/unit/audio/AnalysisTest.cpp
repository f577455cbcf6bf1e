#include "audio/Audio.h"
#include "audio/map/AudioMap.h"
#include "audio/map/Sample.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;
using SongFactory::EFormat;

namespace
{
struct SSampleResult
{
    int64_t Position;
    int32_t Dominant;
    SampleKind Kind;
    std::array<int32_t, 96> Levels;
    bool operator==(const SSampleResult&) const = default;
};

struct SResult
{
    bool Opened = false;
    std::vector<int32_t> Progress;
    float Multiplier = 0;
    int32_t MaxLeft = 0;
    int32_t MaxRight = 0;
    int32_t MinIntensity = 0;
    int32_t Weapons = 0;
    uint64_t LengthBytes = 0;
    std::vector<SSampleResult> Samples;
};

class AnalysisTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Audio.Init()); }
    void TearDown() override { Audio.Shutdown(); }

    fs::path Song(const char* name, const SongFactory::SPcm& pcm, EFormat format)
    {
        const fs::path path = Dir.Path() / name;
        EXPECT_TRUE(SongFactory::Write(path, pcm, format)) << name;
        return path;
    }

    // The battle's loading sequence, recording every progress figure.
    SResult Analyse(const fs::path& path)
    {
        if (!Audio.OpenForAnalysis(path.string()))
            return SResult();
        Audio.GetAnalysis().StartDecoding();
        return Run();
    }

    // The steps of the open song from where its analysis stands.
    SResult Run()
    {
        SResult r;
        r.Opened = true;
        r.LengthBytes = Audio.GetAnalysis().GetLengthBytes();
        for (int32_t p = 0; p < 1000 && r.Progress.size() < 10'000'000;)
            r.Progress.push_back(p = Audio.GetAnalysis().DecodeStep());
        Audio.GetAnalysis().RemoveJumps();
        Audio.GetAnalysis().BuildWeapons();
        Audio.CloseAnalysis();
        r.Multiplier = Audio.GetAnalysis().GetLevelMultiplier();
        r.MaxLeft = Audio.GetAnalysis().GetMaxLevelLeft();
        r.MaxRight = Audio.GetAnalysis().GetMaxLevelRight();
        const CAudioMap& map = *Audio.GetAudioMap();
        r.MinIntensity = map.GetMinIntensity();
        r.Weapons = map.GetWeaponCount();
        for (const auto& s : map.GetSamples())
        {
            SSampleResult out{s->GetPosition(), s->GetDominant(), s->GetKind(), {}};
            for (int32_t n = 0; n < 96; ++n)
                out.Levels[size_t(n)] = s->GetLevel(n);
            r.Samples.push_back(out);
        }
        return r;
    }

    CAudio Audio;
    CTempDir Dir;
};

// The block that reaches the end makes no sample, in both passes; pass 2 starts half a block in.
size_t ExpectedSampleCount(int64_t frames)
{
    const int64_t passOne = frames > 0 ? (frames - 1) / 8192 : 0;
    const int64_t passTwo = frames > 4096 ? (frames - 4097) / 8192 : 0;
    return size_t(passOne + passTwo);
}

TEST_F(AnalysisTest, NoteBinsReadTheHighestBinNotAboveEachNote)
{
    const float* freq = Audio.GetAnalysis().GetNoteFrequencies();
    EXPECT_NEAR(freq[0], 16.3516, 1e-3);
    EXPECT_EQ(freq[57], 440.0f);
    EXPECT_NEAR(freq[95], 3951.066, 1e-2);

    for (int rate : {44100, 48000, 22050, 8000, 4000})
    {
        const fs::path path = Song("rate.wav", SongFactory::Silence(rate, 1, 0.5), EFormat::Wav);
        ASSERT_TRUE(Audio.OpenForAnalysis(path.string())) << rate;
        const int32_t* bins = Audio.GetAnalysis().GetNoteBins();
        for (int32_t n = 0; n < 96; ++n)
        {
            const double below = double(rate) * bins[n] / 8192.0;
            const double above = double(rate) * (bins[n] + 1) / 8192.0;
            EXPECT_GE(bins[n], 1);
            EXPECT_TRUE(bins[n] == 1 || below <= freq[n] + 1e-3) << rate << " note " << n;
            EXPECT_TRUE(bins[n] == 8191 || above > freq[n] - 1e-3) << rate << " note " << n;
        }
        if (rate == 44100)
        {
            EXPECT_EQ(bins[0], 3);
            EXPECT_EQ(bins[57], 81);
            EXPECT_EQ(bins[95], 733);
        }
        Audio.CloseAnalysis();
    }
}

TEST_F(AnalysisTest, SineAt440GivesLoudSamplesOnNote57InEveryFormat)
{
    for (EFormat format : {EFormat::Wav, EFormat::Mp3Cbr, EFormat::Ogg})
    {
        const auto pcm = SongFactory::Sine(44100, 2, 3.0, 440.0, 0.5);
        const SResult r = Analyse(Song("sine", pcm, format));
        ASSERT_TRUE(r.Opened);
        ASSERT_GT(r.Samples.size(), 20u);
        // Lossy encoders move the peak a little; the WAV keeps it exactly.
        int32_t peak = 0;
        for (int16_t v : pcm.Samples)
            peak = std::max(peak, std::abs(int32_t(v)));
        EXPECT_NEAR(r.Multiplier, 2.0, 0.25);
        EXPECT_TRUE(format != EFormat::Wav ||
                    (r.MaxLeft == peak && r.Multiplier == float(32767.0 / peak)));
        EXPECT_GE(r.Weapons, int32_t(r.Samples.size()) - 3);
        for (size_t i = 0; i + 1 < r.Samples.size(); ++i)
        {
            EXPECT_EQ(r.Samples[i].Dominant, 57) << "sample " << i;
            EXPECT_GE(r.Samples[i].Levels[57], 900) << "sample " << i;
        }
        EXPECT_EQ(r.Samples.back().Levels, (std::array<int32_t, 96>{}));
    }
}

TEST_F(AnalysisTest, ScaleGivesItsNotesInOrder)
{
    for (EFormat format : {EFormat::Wav, EFormat::Mp3Cbr, EFormat::Ogg})
    {
        const SResult r = Analyse(Song("scale", SongFactory::Scale(44100, 2, 60, 8, 0.5), format));
        ASSERT_TRUE(r.Opened);
        std::vector<int32_t> melody;
        for (const auto& s : r.Samples)
            if (s.Kind != SampleKind::None && (melody.empty() || melody.back() != s.Dominant))
                melody.push_back(s.Dominant);
        EXPECT_EQ(melody, (std::vector<int32_t>{60, 61, 62, 63, 64, 65, 66, 67}));
    }
}

TEST_F(AnalysisTest, VolumeDoesNotChangeTheMap)
{
    // Even sample values so that the quiet song is exactly half the loud one.
    auto loud = SongFactory::Scale(44100, 2, 55, 6, 0.4, 0.9);
    auto quiet = loud;
    for (size_t i = 0; i < loud.Samples.size(); ++i)
    {
        loud.Samples[i] = int16_t(loud.Samples[i] & ~1);
        quiet.Samples[i] = int16_t(loud.Samples[i] / 2);
    }
    const SResult a = Analyse(Song("loud.wav", loud, EFormat::Wav));
    const SResult b = Analyse(Song("quiet.wav", quiet, EFormat::Wav));
    ASSERT_TRUE(a.Opened && b.Opened);
    EXPECT_NEAR(b.Multiplier, 2 * a.Multiplier, 1e-3);
    EXPECT_EQ(a.Weapons, b.Weapons);
    EXPECT_EQ(a.MinIntensity, b.MinIntensity);
    EXPECT_TRUE(a.Samples == b.Samples);
    // The louder side sets the multiplier, whichever it is.
    auto lopsided = loud;
    for (size_t i = 0; i < lopsided.Samples.size(); i += 2)
        lopsided.Samples[i] = quiet.Samples[i];
    const SResult c = Analyse(Song("lopsided.wav", lopsided, EFormat::Wav));
    EXPECT_EQ(c.MaxLeft, b.MaxLeft);
    EXPECT_EQ(c.MaxRight, a.MaxRight);
    EXPECT_EQ(c.Multiplier, a.Multiplier);
}

TEST_F(AnalysisTest, SongsWithoutMusicGiveNoWeapon)
{
    struct SCase
    {
        const char* Name;
        SongFactory::SPcm Pcm;
    };
    const SCase cases[] = {
        {"silence.wav", SongFactory::Silence(44100, 2, 3.0)},
        {"shorter-than-a-block.wav", SongFactory::Sine(44100, 2, 0.15, 440.0)},
        {"one-frame.wav", SongFactory::FromFrames(44100, 1, {1000})},
    };
    for (const auto& c : cases)
    {
        const SResult r = Analyse(Song(c.Name, c.Pcm, EFormat::Wav));
        ASSERT_TRUE(r.Opened) << c.Name;
        EXPECT_EQ(r.Weapons, 0) << c.Name;
        EXPECT_EQ(r.Samples.size(), ExpectedSampleCount(c.Pcm.Frames())) << c.Name;
        EXPECT_EQ(r.Progress.back(), 1000) << c.Name;
        for (const auto& s : r.Samples)
            EXPECT_EQ(s.Kind, SampleKind::None) << c.Name;
    }
    const SResult silence = Analyse(Dir.Path() / "silence.wav");
    EXPECT_EQ(silence.MaxLeft, 1);
    EXPECT_EQ(silence.MaxRight, 1);
    EXPECT_EQ(silence.Multiplier, 32767.0f);
}

TEST_F(AnalysisTest, ProgressAndSampleCountFollowTheBlocks)
{
    // Lengths around block boundaries: the block that ends exactly at the end makes no sample.
    const int64_t lengths[] = {8192 * 20, 8192 * 20 + 1, 8192 * 20 + 4096, 8192 * 20 + 4097,
                               100000};
    for (int channels : {1, 2})
        for (int64_t frames : lengths)
        {
            std::vector<int16_t> data(size_t(frames * channels));
            for (size_t i = 0; i < data.size(); ++i)
                data[i] = int16_t((i * 7919) % 20000) - 10000;
            const auto pcm = SongFactory::FromFrames(44100, channels, data);
            const SResult r = Analyse(Song("blocks.wav", pcm, EFormat::Wav));
            ASSERT_TRUE(r.Opened);
            const std::string name = std::to_string(channels) + "ch " + std::to_string(frames);
            EXPECT_EQ(r.LengthBytes, uint64_t(pcm.Bytes())) << name;

            ASSERT_EQ(r.Samples.size(), ExpectedSampleCount(frames)) << name;
            const int64_t halfBlockBytes = 4096 * 2 * channels;
            for (size_t i = 0; i < r.Samples.size(); ++i)
                EXPECT_EQ(r.Samples[i].Position, int64_t(i) * halfBlockBytes) << name << " " << i;
            EXPECT_EQ(r.Samples.back().Levels, (std::array<int32_t, 96>{})) << name;

            // 0..99 while scanning, one 100, 100..549, one 550, 550..999, one final 1000.
            const auto& p = r.Progress;
            const auto at = [&p](int32_t v)
            { return std::find(p.begin(), p.end(), v) - p.begin(); };
            const auto scanEnd = at(100);
            const auto passOneEnd = at(550);
            ASSERT_LT(passOneEnd, std::ssize(p)) << name;
            EXPECT_EQ(std::ssize(p) - 1, at(1000)) << name;
            EXPECT_EQ(std::count(p.begin(), p.end(), 550), 1) << name;
            for (ptrdiff_t i = 0; i + 1 < std::ssize(p); ++i)
            {
                EXPECT_LE(p[size_t(i)], p[size_t(i) + 1]) << name << " step " << i;
                const int32_t lo = i < scanEnd ? 0 : i < passOneEnd ? 100 : 550;
                const int32_t hi = i < scanEnd ? 99 : i < passOneEnd ? 549 : 999;
                if (i != scanEnd && i != passOneEnd)
                {
                    EXPECT_GE(p[size_t(i)], lo) << name << " step " << i;
                    EXPECT_LE(p[size_t(i)], hi) << name << " step " << i;
                }
            }
            // After the scan: one step per sample, plus the block of each pass that ends it.
            EXPECT_EQ(std::ssize(p), scanEnd + 1 + std::ssize(r.Samples) + 2) << name;
        }
}

TEST_F(AnalysisTest, RestartAndAbandonedAnalysesGiveIdenticalResults)
{
    const fs::path song =
        Song("scale.mp3", SongFactory::Scale(44100, 2, 48, 12, 0.3), EFormat::Mp3Cbr);
    const SResult first = Analyse(song);
    ASSERT_TRUE(first.Opened);
    ASSERT_GT(first.Samples.size(), 30u);

    // Abandoned in the scan or in pass 1, an analysis leaves nothing behind for the next one,
    // whether it starts again on the song still open (read again from its first frame) or on
    // the song opened anew.
    for (int32_t stop : {50, 300})
    {
        ASSERT_TRUE(Audio.OpenForAnalysis(song.string()));
        Audio.GetAnalysis().StartDecoding();
        for (int32_t p = 0; p < stop;)
            p = Audio.GetAnalysis().DecodeStep();
        const bool sameOpen = stop == 50;
        if (sameOpen)
            Audio.GetAnalysis().StartDecoding();
        else
            Audio.CloseAnalysis();
        const SResult again = sameOpen ? Run() : Analyse(song);
        EXPECT_EQ(again.Weapons, first.Weapons) << stop;
        EXPECT_EQ(again.Multiplier, first.Multiplier) << stop;
        EXPECT_TRUE(again.Samples == first.Samples) << stop;
    }
}

TEST_F(AnalysisTest, DamagedAndOddFilesNeverHangTheAnalysis)
{
    // A damaged or unusual song gives the map of the audio it really holds.
    const auto pcm = SongFactory::Scale(44100, 2, 50, 8, 0.5);
    const auto bytes = SongFactory::ReadBytes(Song("whole.mp3", pcm, EFormat::Mp3Cbr));
    auto truncated = bytes;
    truncated.resize(bytes.size() / 2 + 211);
    auto corrupt = bytes;
    const auto junk = SongFactory::RandomBytes(3000, 99);
    std::copy(junk.begin(), junk.end(), corrupt.begin() + long(bytes.size() / 2));
    ASSERT_TRUE(SongFactory::WriteBytes(Dir.Path() / "truncated.mp3", truncated));
    ASSERT_TRUE(SongFactory::WriteBytes(Dir.Path() / "corrupt.mp3", corrupt));
    Song("six-channels.ogg", SongFactory::Noise(48000, 6, 2.0, 6), EFormat::Ogg);
    Song("96000hz.wav", SongFactory::Sine(96000, 2, 1.5, 440.0), EFormat::Wav);
    struct SCase
    {
        const char* Name;
        int Channels;
        int64_t FramesPerAnalysedFrame; // 2 at 96 kHz, analysed at 48 kHz
    };
    for (const SCase& c : {SCase{"truncated.mp3", 2, 1}, SCase{"corrupt.mp3", 2, 1},
                           SCase{"six-channels.ogg", 6, 1}, SCase{"96000hz.wav", 2, 2}})
    {
        const SResult r = Analyse(Dir.Path() / c.Name);
        ASSERT_TRUE(r.Opened) << c.Name;
        EXPECT_EQ(r.Progress.back(), 1000) << c.Name;
        const int64_t frameBytes = 2 * c.Channels;
        const int64_t frames = int64_t(r.LengthBytes) / frameBytes;
        EXPECT_EQ(r.Samples.size(), ExpectedSampleCount(frames / c.FramesPerAnalysedFrame))
            << c.Name;
        for (size_t i = 0; i < r.Samples.size(); ++i)
            EXPECT_EQ(r.Samples[i].Position,
                      int64_t(i) * 4096 * c.FramesPerAnalysedFrame * frameBytes)
                << c.Name;
    }
    ASSERT_TRUE(
        SongFactory::WriteBytes(Dir.Path() / "noise.mp3", SongFactory::RandomBytes(50000, 7)));
    EXPECT_FALSE(Analyse(Dir.Path() / "noise.mp3").Opened);
    EXPECT_FALSE(Analyse(Dir.Path() / "missing.ogg").Opened);

    // At 4000 Hz the top notes lie beyond the spectrum: they read silent, nothing beyond it.
    const SResult low =
        Analyse(Song("low.wav", SongFactory::Noise(4000, 1, 6.0, 3, 0.8), EFormat::Wav));
    ASSERT_TRUE(low.Opened);
    ASSERT_FALSE(low.Samples.empty());
    const int32_t* bins = Audio.GetAnalysis().GetNoteBins();
    for (const auto& s : low.Samples)
        for (int32_t n = 0; n < 96; ++n)
            EXPECT_TRUE(bins[n] < 4096 || s.Levels[size_t(n)] == 0) << "note " << n;
    EXPECT_GE(bins[95], 4096);
}
TEST_F(AnalysisTest, HighRatesMakeTheLevelOfTheSameMusicAtCdOrDvdRate)
{
    // The same melody at every rate: above 48 kHz the song is analysed at 44.1 or 48 kHz, so
    // that a block covers the same music and the level is the same; the samples stand at the
    // same moments, counted in bytes of the song's own stream.
    for (int base : {44100, 48000})
    {
        const auto melody = [](int rate) { return SongFactory::Scale(rate, 2, 40, 40, 0.2, 0.6); };
        const SResult reference = Analyse(Song("base.wav", melody(base), EFormat::Wav));
        ASSERT_TRUE(reference.Opened);
        ASSERT_GT(reference.Weapons, 30);
        for (int factor : {2, 4})
        {
            const int rate = base * factor;
            const SResult r = Analyse(Song("high.wav", melody(rate), EFormat::Wav));
            ASSERT_TRUE(r.Opened) << rate;
            EXPECT_EQ(Audio.GetAnalysis().GetNoteBins()[57], base == 44100 ? 81 : 75) << rate;
            ASSERT_EQ(r.Samples.size(), reference.Samples.size()) << rate;
            for (size_t i = 0; i < r.Samples.size(); ++i)
                ASSERT_EQ(r.Samples[i].Position, reference.Samples[i].Position * factor) << rate;
            EXPECT_LE(std::abs(r.Weapons - reference.Weapons), std::max(2, reference.Weapons / 30))
                << rate << " Hz: " << r.Weapons << " weapons, " << reference.Weapons << " at "
                << base << " Hz";
        }
    }
}
} // namespace
