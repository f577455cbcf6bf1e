// Playback through SDL's dummy audio driver: the mixer on SDL's audio thread, the feeder on its
// own, the main thread reading, pausing, seeking and closing (the ThreadSanitizer build runs
// these). Only bounds a loaded machine cannot break are checked: the heard position never goes
// back nor runs ahead of the wall clock (plus the device clock's 5 % correction), and every
// wait for progress has seconds to spare.
#include "audio/Audio.h"
#include "platform/Settings.h"
#include "support/LogCapture.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace sf = SongFactory;
using Clock = std::chrono::steady_clock;

namespace
{
double Heard(const CAudioFile& file)
{
    return file.Bytes2Seconds(int64_t(file.GetPosition()));
}

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads the position every 5 ms until `done` (false after 10 s). While the stream plays, each
// read is at least the one before, at most where it was first plus the wall time since, and no
// step is longer than the time between the reads (5 % for the clock's correction, 5 ms spare),
// unless `stalls`: a device found stalled puts the position where the time since it went
// quiet has taken it.
bool Follow(const CAudioFile& file, const std::function<bool()>& done, bool stalls = false)
{
    const auto start = Clock::now();
    const double from = Heard(file);
    double last = from;
    for (auto previous = start; Since(start) < 10.0;)
    {
        const auto now = Clock::now();
        const double heard = Heard(file);
        if (file.IsPlaying()) // an early end jumps to the length
        {
            EXPECT_GE(heard, last);
            EXPECT_LE(heard, from + 1.05 * Since(start) + 0.005);
            if (!stalls)
            {
                EXPECT_LE(heard - last, 1.05 * Since(previous) + 0.005);
            }
        }
        previous = now;
        last = heard;
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

class DevicePlaybackTest : public ::testing::Test
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

    CTempHome Home;
    CAudio Audio;
    CTempDir Dir;
};
} // namespace

// Two streams, one resampled and up-mixed by the feeder, played, paused, sought and closed by
// the main thread while SDL's thread mixes them.
TEST_F(DevicePlaybackTest, FeederAndCallbackPlayAlongTheMainThread)
{
    CAudioFile music, logo;
    ASSERT_TRUE(music.Open(Audio, Song("m.ogg", sf::Sine(22050, 1, 0.6, 440.0), sf::EFormat::Ogg)));
    ASSERT_TRUE(logo.Open(Audio, Song("l.wav", sf::Sine(44100, 2, 0.4, 880.0), sf::EFormat::Wav)));
    logo.Play();
    music.Play();
    ASSERT_TRUE(Follow(music, [&] { return Heard(music) >= 0.1; }));
    music.Pause();
    EXPECT_FALSE(music.IsPlaying());
    ASSERT_TRUE(music.SetPosition(music.Seconds2Bytes(0.3)));
    EXPECT_DOUBLE_EQ(Heard(music), 0.3);
    music.Resume();
    ASSERT_TRUE(Follow(music, [&] { return Heard(music) >= 0.35; }));
    logo.Close(); // while it may still play
    EXPECT_TRUE(music.IsPlaying());
    ASSERT_TRUE(Follow(music, [&] { return !music.IsPlaying(); }));
    EXPECT_EQ(music.GetPosition(), music.GetLength());
}

// A device that stops calling back (paused under the mixer) for a while, or an output closed
// under a stream that is then played: the song goes on silently and ends at its length; the
// stalled device is opened again and plays on from where the song is.
TEST_F(DevicePlaybackTest, StalledOrClosedDeviceEndsTheSongInTime)
{
    const std::string lost = "The audio device stopped playing; the game goes on without sound\n";
    const std::string back = "The audio device plays again\n";
    for (bool closed : {false, true})
    {
        CLogCapture log;
        Settings::WriteNumber(Settings::Key::AudioOffset, 0);
        ASSERT_TRUE(
            Audio.OpenMusic(Song("lost.ogg", sf::Sine(22050, 1, 2.0, 440.0), sf::EFormat::Ogg)));
        CAudioFile& file = *Audio.GetMusic();
        file.Play();
        ASSERT_TRUE(Follow(file, [&] { return Heard(file) >= 0.2; }));
        if (closed)
        {
            Audio.Shutdown();
            file.Play();
        }
        else
        {
            SDL_PauseAudio(1);
            ASSERT_TRUE(Follow(
                file, [&] { return log.Text().find(lost) != std::string::npos; }, true));
            SDL_PauseAudio(0);
        }
        EXPECT_TRUE(file.IsPlaying()) << closed;
        ASSERT_TRUE(Follow(file, [&] { return !file.IsPlaying(); })) << closed;
        EXPECT_EQ(file.GetPosition(), file.GetLength());
        const std::string text = log.Text();
        for (const std::string& line : {lost, back})
        {
            size_t times = 0;
            for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
                ++times;
            EXPECT_EQ(times, closed ? 0u : 1u) << line;
        }
        Audio.Shutdown();
        ASSERT_TRUE(Audio.Init());
    }
}
