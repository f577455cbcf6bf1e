// What the mixer hands to the device is the song itself: SDL's disk driver writes every
// byte played to a file, which must hold the song's PCM (resampled where its rate differs),
// and a pause neither loses nor repeats more than the device held.
#include "audio/Audio.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

namespace sf = SongFactory;

namespace
{
void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Plays the whole song.
void PlayToTheEnd(CAudioFile& file)
{
    file.Play();
    for (int i = 0; i < 500 && file.IsPlaying(); ++i)
        Sleep(10);
}

// `drive` plays the opened song on SDL's disk driver; the result is all the device was given.
std::vector<int16_t> PlayAndCapture(const std::string& song, const std::string& capture,
                                    const std::function<void(CAudioFile&)>& drive = PlayToTheEnd)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    std::vector<int16_t> samples;
    {
        CAudio audio;
        if (!audio.Init())
            return samples;
        CAudioFile file;
        if (file.Open(song))
        {
            drive(file);
            Sleep(100);
        }
        file.Close();
        audio.Shutdown();
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::vector<uint8_t> bytes = sf::ReadBytes(capture);
    samples.resize(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

size_t FirstLoud(const std::vector<int16_t>& samples, int threshold)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > threshold)
            return i;
    return samples.size();
}
} // namespace

// A stereo song at the device's rate is played bit for bit; one of five channels (5.0) is
// played as the mean of its even channels on the left and of its odd ones on the right.
TEST(DiskCapture, SongAtTheDeviceRateIsWrittenBitForBit)
{
    CTempDir dir;
    for (const int channels : {2, 5})
    {
        const sf::SPcm pcm = sf::Noise(44100, channels, 1.0, 11, 0.7);
        std::vector<int16_t> expected = pcm.Samples;
        if (channels == 5)
        {
            expected.clear();
            for (size_t f = 0; f < pcm.Samples.size(); f += 5)
            {
                const int16_t* s = &pcm.Samples[f];
                expected.push_back(int16_t((s[0] + s[2] + s[4]) / 3));
                expected.push_back(int16_t((s[1] + s[3]) / 2));
            }
        }
        const std::string song = (dir.Path() / "noise.wav").string();
        ASSERT_TRUE(sf::WriteWav(song, pcm));
        const std::vector<int16_t> captured =
            PlayAndCapture(song, (dir.Path() / "out.raw").string());
        ASSERT_GT(captured.size(), expected.size());
        // Silence before Play, then the song: find where its first frame begins.
        const size_t start = FirstLoud(captured, 0) / 2 * 2;
        const size_t lead = FirstLoud(expected, 0) / 2 * 2;
        ASSERT_GE(start, lead);
        ASSERT_LE(start - lead + expected.size(), captured.size());
        const std::vector<int16_t> heard(captured.begin() + long(start - lead),
                                         captured.begin() + long(start - lead + expected.size()));
        EXPECT_EQ(heard, expected) << channels << " channels";
        for (size_t i = start - lead + expected.size(); i < captured.size(); ++i)
            ASSERT_EQ(captured[i], 0) << "after the song, at " << i;
    }
}

TEST(DiskCapture, MonoAt22050IsResampledAndUpMixed)
{
    CTempDir dir;
    const double amplitude = 0.5;
    const sf::SPcm pcm = sf::Sine(22050, 1, 1.0, 441.0, amplitude);
    const std::string song = (dir.Path() / "sine.wav").string();
    ASSERT_TRUE(sf::WriteWav(song, pcm));
    const std::vector<int16_t> captured = PlayAndCapture(song, (dir.Path() / "out.raw").string());
    const size_t onset = FirstLoud(captured, 0) / 2; // frame of the first sound
    ASSERT_LT(onset + 44100, captured.size() / 2);
    // Both sides equal; the middle of the song matches the ideal 441 Hz sine at 44100 Hz.
    double error = 0.0, power = 0.0;
    for (size_t f = 4410; f < 40000; ++f)
    {
        const int16_t left = captured[2 * (onset + f)];
        ASSERT_EQ(left, captured[2 * (onset + f) + 1]) << f;
        // The first captured frame is at most one frame after the song's time 0.
        double best = 1e30;
        for (double shift : {0.0, 1.0})
        {
            const double ideal =
                amplitude * 32767.0 * std::sin(2.0 * M_PI * 441.0 * (double(f) + shift) / 44100.0);
            best = std::min(best, (left - ideal) * (left - ideal));
        }
        error += best;
        power += double(left) * left;
    }
    EXPECT_LT(error / power, 1e-4); // better than 40 dB signal to error
    // A second of song gives a second of sound.
    const size_t last =
        captured.size() / 2 - FirstLoud({captured.rbegin(), captured.rend()}, 0) / 2;
    EXPECT_NEAR(double(last - onset), 44100.0, 60.0);
}

TEST(DiskCapture, PauseLosesNothingAndRepeatsOnlyWhatTheDeviceHeld)
{
    CTempDir dir;
    const sf::SPcm pcm = sf::NumberedFrames(2.0);
    const std::string song = (dir.Path() / "numbered.wav").string();
    const std::string capture = (dir.Path() / "out.raw").string();
    ASSERT_TRUE(sf::WriteWav(song, pcm));
    int64_t paused = -1;
    std::vector<std::array<int64_t, 2>> heardAndGiven; // frames, before the pause
    const std::vector<int16_t> out = PlayAndCapture(
        song, capture,
        [&](CAudioFile& file)
        {
            file.Play();
            for (int i = 0; i < 1000 && file.GetPosition() < 4 * 13230u; ++i, Sleep(5))
                heardAndGiven.push_back({int64_t(file.GetPosition() / 4),
                                         int64_t(std::filesystem::file_size(capture) / 4)});
            file.Pause();
            paused = int64_t(file.GetPosition() / 4);
            Sleep(100);
            file.Resume();
            for (int i = 0; i < 1000 && file.IsPlaying(); ++i)
                Sleep(5);
        });
    std::vector<int64_t> played; // song frames as the device played them, silence left out
    int64_t firstAt = -1;
    for (size_t f = 0; f + 1 < out.size(); f += 2)
        if (const int64_t n = sf::FrameNumber(out[f], out[f + 1]); n >= 0)
        {
            firstAt = firstAt < 0 ? int64_t(f / 2) : firstAt;
            played.push_back(n);
        }
    ASSERT_TRUE(paused > 0 && !played.empty());
    EXPECT_EQ(played.front(), 0);
    EXPECT_EQ(played.back(), pcm.Frames() - 1);
    // One step back, to the frame the position showed at the pause; nothing skipped.
    std::vector<size_t> breaks;
    for (size_t i = 1; i < played.size(); ++i)
        if (played[i] != played[i - 1] + 1)
            breaks.push_back(i);
    ASSERT_EQ(breaks.size(), 1u);
    EXPECT_EQ(played[breaks[0]], paused);
    const int64_t repeated = played[breaks[0] - 1] + 1 - paused;
    EXPECT_GE(repeated, 0);
    EXPECT_LE(repeated, 2048 + 1024 + 2205); // the device's two buffers, one callback, 50 ms
    // Never a frame the device has not been given (the file may lag by one buffer in stdio
    // and one being mixed).
    for (const auto& [heard, given] : heardAndGiven)
        EXPECT_LE(firstAt + heard, given + 2048);
}
