// Decode-only reads on the scales the analysis relies on: 20 ms packed peak levels and
// 8192-point spectra, from memory or from the file alike.
#include "audio/backend/reads/DecodeStream.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace korvane::backend;
namespace sf = SongFactory;

namespace
{
constexpr uint64_t NoPreload = 0;
constexpr uint64_t Preload = 1ull << 30;

std::unique_ptr<CDecodeStream> OpenWav(const CTempDir& dir, const sf::SPcm& pcm,
                                       uint64_t preload = Preload)
{
    const std::string path = (dir.Path() / "song.wav").string();
    if (!sf::WriteWav(path, pcm))
        return nullptr;
    return CDecodeStream::Open(path, preload);
}

std::vector<float> Spectrum(CDecodeStream& stream)
{
    std::vector<float> bins(4096, -1.0f);
    EXPECT_EQ(stream.ReadSpectrum(bins.data()), ERead::Ok);
    return bins;
}
} // namespace

TEST(SpectrumScale, SinesSilenceAndCancellation)
{
    struct SCase
    {
        const char* Name;
        sf::SPcm Pcm;
        size_t Bin;
        float Expected;
        float Tolerance;
    };
    const double bin81Hz = 81.0 * 44100.0 / 8192.0;
    // 440 Hz lies 0.27 bin below the centre of bin 82; without a window that bin reads the
    // Dirichlet kernel there, |sin(pi x) / (pi x)|.
    const double x440 = 82.0 - 440.0 * 8192.0 / 44100.0;
    const float at440 = float(std::abs(std::sin(M_PI * x440) / (M_PI * x440)));
    const SCase cases[] = {
        {"bin centre", sf::Sine(44100, 2, 0.5, bin81Hz, 1.0), 81, 1.0f, 1e-3f},
        {"bin centre mono", sf::Sine(44100, 1, 0.5, bin81Hz, 1.0), 81, 1.0f, 1e-3f},
        {"half scale", sf::Sine(44100, 2, 0.5, bin81Hz, 0.5), 81, 0.5f, 1e-3f},
        {"440 Hz", sf::Sine(44100, 2, 0.5, 440.0, 1.0), 82, at440, 0.01f},
        {"one side silent", sf::StereoSines(44100, 0.5, bin81Hz, 1.0, bin81Hz, 0.0), 81, 0.5f,
         1e-3f},
    };
    for (const SCase& c : cases)
    {
        CTempDir dir;
        auto stream = OpenWav(dir, c.Pcm);
        ASSERT_TRUE(stream) << c.Name;
        const std::vector<float> bins = Spectrum(*stream);
        EXPECT_NEAR(bins[c.Bin], c.Expected, c.Tolerance) << c.Name;
        EXPECT_EQ(stream->PositionBytes(), 8192 * stream->BytesPerFrame()) << c.Name;
    }
}

TEST(SpectrumScale, SilenceReadsZero)
{
    CTempDir dir;
    auto stream = OpenWav(dir, sf::Silence(44100, 2, 0.5));
    ASSERT_TRUE(stream);
    const std::vector<float> bins = Spectrum(*stream);
    EXPECT_EQ(*std::max_element(bins.begin(), bins.end()), 0.0f);
}

TEST(SpectrumScale, InvertedChannelsCancel)
{
    sf::SPcm pcm = sf::Sine(44100, 2, 0.5, 1000.0, 0.8);
    for (size_t i = 1; i < pcm.Samples.size(); i += 2)
        pcm.Samples[i] = int16_t(-pcm.Samples[i - 1]);
    CTempDir dir;
    auto stream = OpenWav(dir, pcm);
    ASSERT_TRUE(stream);
    const std::vector<float> bins = Spectrum(*stream);
    EXPECT_EQ(*std::max_element(bins.begin(), bins.end()), 0.0f);
}

TEST(SpectrumRead, PartialLastBlockThenEnded)
{
    const sf::SPcm pcm = sf::Noise(44100, 2, 0.25, 5); // 11025 frames: one full block + 2833
    for (uint64_t preload : {NoPreload, Preload})
    {
        CTempDir dir;
        auto stream = OpenWav(dir, pcm, preload);
        ASSERT_TRUE(stream);
        Spectrum(*stream);
        Spectrum(*stream);
        EXPECT_EQ(stream->PositionBytes(), stream->LengthBytes());
        std::vector<float> bins(4096);
        EXPECT_EQ(stream->ReadSpectrum(bins.data()), ERead::Ended);
        EXPECT_EQ(stream->ReadSpectrum(bins.data()), ERead::Ended);
    }
}

TEST(SpectrumRead, PreloadedAndDecodedPassesAreIdentical)
{
    // Level scan, then spectrum passes from 0 and from a half block, as the analysis does.
    CTempDir dir;
    const std::string path = (dir.Path() / "song.ogg").string();
    ASSERT_TRUE(sf::WriteOgg(path, sf::Scale(44100, 2, 40, 10, 0.15)));
    auto run = [&](uint64_t preload)
    {
        auto stream = CDecodeStream::Open(path, preload);
        EXPECT_TRUE(stream);
        EXPECT_EQ(stream->IsPreloading(), preload != NoPreload);
        std::vector<float> all;
        while (stream->ReadLevel() != 0xFFFFFFFFu)
        {
        }
        for (int64_t start : {int64_t(0), int64_t(16384)})
        {
            stream->SetPositionBytes(start);
            std::vector<float> bins(4096);
            while (stream->ReadSpectrum(bins.data()) == ERead::Ok)
                all.insert(all.end(), bins.begin(), bins.end());
        }
        return all;
    };
    const std::vector<float> fromMemory = run(Preload);
    const std::vector<float> fromFile = run(NoPreload);
    ASSERT_FALSE(fromMemory.empty());
    EXPECT_EQ(fromMemory, fromFile);
}

TEST(PeakLevel, KnownPeaksPerChannelAndEnd)
{
    struct SCase
    {
        const char* Name;
        int Rate;
        int Channels;
        std::vector<int16_t> Frame; // repeated for the whole song
        uint32_t Expected;
    };
    const SCase cases[] = {
        {"stereo", 44100, 2, {1000, -2000}, 1000u | 2000u << 16},
        {"full scale negative", 44100, 2, {-32768, 32767}, 32768u | 32767u << 16},
        {"mono duplicated", 22050, 1, {-1234}, 1234u | 1234u << 16},
        {"six channels even/odd", 48000, 6, {10, 20, 300, -40, 5, 6}, 300u | 40u << 16},
        {"silence", 8000, 2, {0, 0}, 0u},
    };
    for (const SCase& c : cases)
    {
        std::vector<int16_t> samples;
        const int frames = c.Rate / 10; // 100 ms: five reads of 20 ms
        for (int f = 0; f < frames; ++f)
            samples.insert(samples.end(), c.Frame.begin(), c.Frame.end());
        CTempDir dir;
        auto stream = OpenWav(dir, sf::FromFrames(c.Rate, c.Channels, samples));
        ASSERT_TRUE(stream) << c.Name;
        for (int read = 1; read <= 5; ++read)
        {
            EXPECT_EQ(stream->ReadLevel(), c.Expected) << c.Name;
            EXPECT_EQ(stream->PositionBytes(), read * (c.Rate / 50) * stream->BytesPerFrame())
                << c.Name;
        }
        EXPECT_EQ(stream->ReadLevel(), 0xFFFFFFFFu) << c.Name;
    }
}

TEST(PeakLevel, ReadsWalkThroughTheSongInTwentyMsSteps)
{
    // A single loud frame in the third 20 ms stretch shows up in the third read only.
    std::vector<int16_t> samples(size_t(44100 / 10) * 2, 0);
    const size_t loudFrame = 2 * 882 + 17;
    samples[loudFrame * 2] = 30000;
    samples[loudFrame * 2 + 1] = -25000;
    CTempDir dir;
    auto stream = OpenWav(dir, sf::FromFrames(44100, 2, samples));
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->ReadLevel(), 0u);
    EXPECT_EQ(stream->ReadLevel(), 0u);
    EXPECT_EQ(stream->ReadLevel(), 30000u | 25000u << 16);
    EXPECT_EQ(stream->ReadLevel(), 0u);
}
