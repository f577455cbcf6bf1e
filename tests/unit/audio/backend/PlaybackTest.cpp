// Playback through SDL's dummy audio driver: the heard position runs at real-time rate,
// freezes on pause, comes back to 0 on Play, and several streams play at once.
#include "audio/Audio.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace sf = SongFactory;
using Clock = std::chrono::steady_clock;

namespace
{
void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool WaitUntilStopped(const CAudioFile& file, int timeoutMs)
{
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (file.IsPlaying() && Clock::now() < until)
        Sleep(10);
    return !file.IsPlaying();
}

class PlaybackTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Audio.Init()); }
    void TearDown() override { Audio.Shutdown(); }

    std::string Song(const char* name, const sf::SPcm& pcm, sf::EFormat format)
    {
        const std::string path = (Dir.Path() / name).string();
        EXPECT_TRUE(sf::Write(path, pcm, format));
        return path;
    }

    CAudio Audio;
    CTempDir Dir;
};
} // namespace

TEST_F(PlaybackTest, PositionRunsAtRealTimeRate)
{
    struct SCase
    {
        const char* Name;
        sf::SPcm Pcm;
        sf::EFormat Format;
    };
    const SCase cases[] = {
        {"44k.wav", sf::Sine(44100, 2, 3.0, 440.0), sf::EFormat::Wav},
        {"22k-mono.mp3", sf::Sine(22050, 1, 3.0, 440.0), sf::EFormat::Mp3Cbr},
        {"48k.ogg", sf::Sine(48000, 2, 3.0, 440.0), sf::EFormat::Ogg},
    };
    for (const SCase& c : cases)
    {
        CAudioFile file;
        ASSERT_TRUE(file.Open(Song(c.Name, c.Pcm, c.Format))) << c.Name;
        file.Play();
        Sleep(200);
        const uint64_t p0 = file.GetPosition();
        const auto t0 = Clock::now();
        Sleep(2000);
        const uint64_t p1 = file.GetPosition();
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        const double bytesPerSecond = double(file.Seconds2Bytes(1.0));
        const double rate = double(p1 - p0) / seconds / bytesPerSecond;
        EXPECT_NEAR(rate, 1.0, 0.05) << c.Name;
        EXPECT_TRUE(file.IsPlaying()) << c.Name;
    }
}

TEST_F(PlaybackTest, PauseFreezesResumeContinuesPlayRestarts)
{
    CAudioFile file;
    ASSERT_TRUE(file.Open(Song("song.wav", sf::Sine(44100, 2, 3.0, 440.0), sf::EFormat::Wav)));
    EXPECT_FALSE(file.IsPlaying());
    EXPECT_EQ(file.GetPosition(), 0u);
    file.Play();
    Sleep(500);
    file.Pause();
    EXPECT_FALSE(file.IsPlaying());
    const uint64_t paused = file.GetPosition();
    EXPECT_GT(paused, uint64_t(file.Seconds2Bytes(0.3)));
    Sleep(300);
    EXPECT_EQ(file.GetPosition(), paused);

    file.Resume();
    EXPECT_TRUE(file.IsPlaying());
    const uint64_t resumed = file.GetPosition();
    EXPECT_GE(resumed, paused);
    EXPECT_LT(resumed, paused + uint64_t(file.Seconds2Bytes(0.05)));
    Sleep(300);
    EXPECT_GT(file.GetPosition(), paused + uint64_t(file.Seconds2Bytes(0.2)));

    file.Play();
    EXPECT_LT(file.GetPosition(), uint64_t(file.Seconds2Bytes(0.05)));
    EXPECT_TRUE(file.IsPlaying());
    file.Stop();
    EXPECT_FALSE(file.IsPlaying());
}

TEST_F(PlaybackTest, EndsWithPositionAtLength)
{
    CAudioFile file;
    ASSERT_TRUE(file.Open(Song("short.ogg", sf::Sine(22050, 1, 0.3, 440.0), sf::EFormat::Ogg)));
    file.Play();
    ASSERT_TRUE(WaitUntilStopped(file, 3000));
    EXPECT_EQ(file.GetPosition(), file.GetLength());
    file.Resume(); // nothing left to play
    EXPECT_FALSE(file.IsPlaying());
    file.Play();
    EXPECT_TRUE(file.IsPlaying());
}

TEST_F(PlaybackTest, TwoStreamsPlayAtOnceAndCloseWhilePlaying)
{
    CAudioFile music, logo, third;
    ASSERT_TRUE(music.Open(Song("music.mp3", sf::Sine(44100, 2, 2.0, 440.0), sf::EFormat::Mp3Cbr)));
    ASSERT_TRUE(logo.Open(Song("logo.wav", sf::Sine(22050, 1, 0.5, 880.0), sf::EFormat::Wav)));
    ASSERT_TRUE(third.Open(Song("third.ogg", sf::Sine(48000, 2, 2.0, 660.0), sf::EFormat::Ogg)));
    music.Play();
    logo.Play();
    third.Play();
    Sleep(300);
    third.Close(); // a closing stream leaves the others playing
    EXPECT_TRUE(music.IsPlaying());
    EXPECT_TRUE(logo.IsPlaying());
    EXPECT_GT(music.GetPosition(), uint64_t(music.Seconds2Bytes(0.2)));
    EXPECT_GT(logo.GetPosition(), uint64_t(logo.Seconds2Bytes(0.2)));
    ASSERT_TRUE(WaitUntilStopped(logo, 2000));
    EXPECT_TRUE(music.IsPlaying());
    ASSERT_TRUE(WaitUntilStopped(music, 3000));
}

TEST_F(PlaybackTest, FileDeletedWhilePlayingEndsTheStream)
{
    const std::string path = Song("gone.mp3", sf::Noise(44100, 2, 1.0, 3), sf::EFormat::Mp3Cbr);
    CAudioFile file;
    ASSERT_TRUE(file.Open(path));
    file.Play();
    Sleep(100);
    std::filesystem::remove(path);
    EXPECT_TRUE(WaitUntilStopped(file, 3000));
    EXPECT_FALSE(file.Open(path));
}

TEST_F(PlaybackTest, PlaybackAndDecodeOnlyOpensCountTheSameBytes)
{
    const sf::SPcm pcm = sf::Scale(22050, 1, 45, 6, 0.1);
    for (sf::EFormat format :
         {sf::EFormat::Mp3Cbr, sf::EFormat::Mp3VbrNoTag, sf::EFormat::Ogg, sf::EFormat::Wav})
    {
        const std::string path = Song("same.song", pcm, format);
        CAudioFile playback, decoding;
        ASSERT_TRUE(playback.Open(path));
        ASSERT_TRUE(decoding.OpenDecoding(path));
        EXPECT_EQ(playback.GetLength(), decoding.GetLength());
        EXPECT_EQ(playback.GetFrequency(), decoding.GetFrequency());
    }
}
