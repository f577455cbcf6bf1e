// What the mixer hands to the device is the song itself: the stand-in device keeps every
// sample it was given, which must hold the song's PCM (resampled where its rate differs, the
// sum of the songs where several play), and a pause neither loses nor repeats more than the
// device held.
#include "audio/Audio.h"
#include "support/SongFactory.h"
#include "support/StandInAudio.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace sf = SongFactory;

namespace
{
// Plays the opened songs to their end.
void PlayToTheEnd(CStandInAudio& engine, std::vector<CAudioFile>& files)
{
    for (CAudioFile& file : files)
        file.Play();
    for (int step = 0; step < 500; ++step, engine.Step())
        if (std::none_of(files.begin(), files.end(), [](auto& f) { return f.IsPlaying(); }))
            return;
}

// All the device was given while `drive` played the songs, from a little silence before to a
// little after.
std::vector<int16_t> PlayAndCapture(
    const std::vector<std::string>& songs,
    const std::function<void(CStandInAudio&, std::vector<CAudioFile>&)>& drive = PlayToTheEnd)
{
    CStandInAudio engine;
    if (!engine.Init())
        return {};
    std::vector<CAudioFile> files(songs.size());
    for (size_t i = 0; i < songs.size(); ++i)
        if (!files[i].Open(engine.Audio, songs[i]))
            return {};
    for (int step = 0; step < 3; ++step)
        engine.Step();
    drive(engine, files);
    for (int step = 0; step < 5; ++step)
        engine.Step();
    return engine.TakePlayed();
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
// played as the mean of its even channels on the left and of its odd ones on the right; two
// songs at once are added, clipped at full scale.
TEST(DiskCapture, SongAtTheDeviceRateIsWrittenBitForBit)
{
    CTempDir dir;
    struct SCase
    {
        const char* Name;
        int Channels;
        bool Two;
    };
    for (const SCase& c : {SCase{"stereo", 2, false}, {"5.0", 5, false}, {"two at once", 2, true}})
    {
        const sf::SPcm pcm = sf::Noise(44100, c.Channels, 1.0, 11, 0.7);
        const sf::SPcm other = sf::Noise(44100, 2, 0.5, 12, 0.7);
        std::vector<int16_t> expected = pcm.Samples;
        if (c.Channels == 5)
        {
            expected.clear();
            for (size_t f = 0; f < pcm.Samples.size(); f += 5)
            {
                const int16_t* s = &pcm.Samples[f];
                expected.push_back(int16_t((s[0] + s[2] + s[4]) / 3));
                expected.push_back(int16_t((s[1] + s[3]) / 2));
            }
        }
        std::vector<std::string> songs = {(dir.Path() / "noise.wav").string()};
        ASSERT_TRUE(sf::WriteWav(songs[0], pcm));
        if (c.Two)
        {
            songs.push_back((dir.Path() / "other.wav").string());
            ASSERT_TRUE(sf::WriteWav(songs[1], other));
            for (size_t i = 0; i < other.Samples.size(); ++i)
                expected[i] = int16_t(std::clamp(expected[i] + other.Samples[i], -32768, 32767));
        }
        const std::vector<int16_t> captured = PlayAndCapture(songs);
        ASSERT_GT(captured.size(), expected.size()) << c.Name;
        // Silence before Play, then the song: find where its first frame begins.
        const size_t start = FirstLoud(captured, 0) / 2 * 2;
        const size_t lead = FirstLoud(expected, 0) / 2 * 2;
        ASSERT_GE(start, lead);
        ASSERT_LE(start - lead + expected.size(), captured.size());
        const std::vector<int16_t> heard(captured.begin() + long(start - lead),
                                         captured.begin() + long(start - lead + expected.size()));
        EXPECT_EQ(heard, expected) << c.Name;
        for (size_t i = start - lead + expected.size(); i < captured.size(); ++i)
            ASSERT_EQ(captured[i], 0) << c.Name << ", after the song, at " << i;
    }
}

TEST(DiskCapture, MonoAt22050IsResampledAndUpMixed)
{
    CTempDir dir;
    const double amplitude = 0.5;
    const sf::SPcm pcm = sf::Sine(22050, 1, 1.0, 441.0, amplitude);
    const std::string song = (dir.Path() / "sine.wav").string();
    ASSERT_TRUE(sf::WriteWav(song, pcm));
    const std::vector<int16_t> captured = PlayAndCapture({song});
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
    ASSERT_TRUE(sf::WriteWav(song, pcm));
    int64_t paused = -1;
    double held = 0.0;                                 // frames given but not heard at the pause
    std::vector<std::array<int64_t, 2>> heardAndGiven; // frames, before the pause
    const std::vector<int16_t> out = PlayAndCapture(
        {song},
        [&](CStandInAudio& engine, std::vector<CAudioFile>& files)
        {
            CAudioFile& file = files[0];
            file.Play();
            for (int i = 0; i < 100 && file.GetPosition() < 4 * 13230u; ++i, engine.Step(5'000'000))
                heardAndGiven.push_back({int64_t(file.GetPosition() / 4), engine.Buffers() * 1024});
            engine.Step(7'000'000);
            file.Pause();
            paused = int64_t(file.GetPosition() / 4);
            held = 2048.0 - engine.FramesSince(engine.DueNs(engine.Buffers() - 1));
            for (int i = 0; i < 5; ++i)
                engine.Step();
            file.Resume();
            for (int i = 0; i < 200 && file.IsPlaying(); ++i)
                engine.Step();
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
    EXPECT_NEAR(double(repeated), held, 1.0); // the two buffers, less what was heard of one
    // The frame heard is always one the device was given, two buffers back at most.
    for (const auto& [heard, given] : heardAndGiven)
        if (heard > 0)
        {
            EXPECT_LE(firstAt + heard, given - 1024);
            EXPECT_GE(firstAt + heard, given - 2049);
        }
}
