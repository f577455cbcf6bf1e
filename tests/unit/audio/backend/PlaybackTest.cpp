// Playback on the stand-in device, whose callbacks come exactly on time and whose time moves
// only when the test steps it: the heard position is what the device plays, to the frame,
// shifted by the player's offset; it freezes on pause and goes on from there, comes back to 0
// on Play; a song ends once its last frame is heard (and given to the device); several
// streams play at once.
#include "audio/Audio.h"
#include "audio/backend/output/Output.h"
#include "platform/Settings.h"
#include "support/LogCapture.h"
#include "support/SongFactory.h"
#include "support/StandInAudio.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace sf = SongFactory;

namespace
{
constexpr double OutRate = korvane::backend::OutputRate;

int64_t HeardFrame(const CAudioFile& file)
{
    return int64_t(file.GetPosition()) / (file.Seconds2Bytes(1.0) / file.GetFrequency());
}

// What a stream started (or resumed) at one moment should say from then on: `From` (file
// frames) until the device plays what was started, then one more for every frame heard, less
// the player's offset (`ShiftFrames`, output frames), within From..length. It ends once its
// last frame is heard and the device has been given all of it.
struct SExpected
{
    const CStandInAudio& Engine;
    const char* Name;
    int Rate;
    int64_t Length; // file frames
    double From = 0.0;
    double ShiftFrames = 0.0;
    int64_t HeardFromNs = Engine.HeardFromNs();
    int64_t GivenAt = Engine.Buffers(); // the first buffer that carries it

    double Frame() const
    {
        const double out = Engine.FramesSince(HeardFromNs) - ShiftFrames;
        return std::clamp(From + out * Rate / OutRate, From, double(Length));
    }
    int64_t EndNs() const
    {
        const double left = double(Length) - From;
        const double outLeft = std::round(left * OutRate / Rate);
        const int64_t heard = HeardFromNs + int64_t((outLeft + ShiftFrames) * 1e9 / OutRate);
        const int64_t given = Engine.DueNs(GivenAt + int64_t(outLeft) / 1024);
        return std::max(heard, given);
    }
    // The position to within a frame of the device (one of the file's, one of the output's),
    // and playing until the end (a step that falls within 0.1 ms of it may see either).
    void Check(const CAudioFile& file) const
    {
        const double ms = double(Engine.NowNs() - HeardFromNs) / 1e6;
        EXPECT_NEAR(double(HeardFrame(file)), Frame(), 1.0 + Rate / OutRate)
            << Name << ", " << ms << " ms after it was first heard";
        if (std::abs(Engine.NowNs() - EndNs()) > 100'000)
        {
            EXPECT_EQ(file.IsPlaying(), Engine.NowNs() < EndNs()) << Name << " at " << ms << " ms";
        }
    }
};

// Steps the device while the stream plays, until `frames` of it are heard (or 10 s), checking
// it at each step and that it never goes back.
void Follow(CStandInAudio& engine, const CAudioFile& file, const SExpected& expected,
            int64_t frames = INT64_MAX)
{
    int64_t last = HeardFrame(file);
    expected.Check(file);
    for (int step = 0; step < 500 && file.IsPlaying() && HeardFrame(file) < frames; ++step)
    {
        engine.Step();
        expected.Check(file);
        EXPECT_GE(HeardFrame(file), last) << expected.Name;
        last = HeardFrame(file);
    }
}

class PlaybackTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Engine.Init()); }

    std::string Song(const char* name, const sf::SPcm& pcm, sf::EFormat format)
    {
        const std::string path = (Dir.Path() / name).string();
        EXPECT_TRUE(sf::Write(path, pcm, format));
        return path;
    }

    // The battle's stream, with the player's AudioOffset in the settings file.
    CAudioFile& Music(const std::string& path, int offsetMs)
    {
        Settings::WriteNumber(Settings::Key::AudioOffset, offsetMs);
        EXPECT_TRUE(Engine.Audio.OpenMusic(path));
        return *Engine.Audio.GetMusic();
    }

    CTempHome Home;
    CTempDir Dir;
    CStandInAudio Engine;
};
} // namespace

TEST_F(PlaybackTest, PositionFollowsTheDeviceShiftedByTheOffset)
{
    struct SCase
    {
        const char* Name;
        sf::SPcm Pcm;
        sf::EFormat Format;
        int OffsetMs; // positive: the sound reaches the ears later, the position is earlier
    };
    const SCase cases[] = {
        {"44k.wav", sf::Sine(44100, 2, 3.0, 440.0), sf::EFormat::Wav, 0},
        {"22k-mono.mp3", sf::Sine(22050, 1, 3.0, 440.0), sf::EFormat::Mp3Cbr, 300},
        {"48k.ogg", sf::Sine(48000, 2, 3.0, 440.0), sf::EFormat::Ogg, -300},
    };
    for (const SCase& c : cases)
    {
        CAudioFile& file = Music(Song(c.Name, c.Pcm, c.Format), c.OffsetMs);
        Engine.Step(7'000'000); // Play comes between two buffers
        file.Play();
        const SExpected expected{Engine,         c.Name, c.Pcm.Rate,
                                 c.Pcm.Frames(), 0.0,    c.OffsetMs * OutRate / 1000};
        Follow(Engine, file, expected, c.Pcm.Rate);
        EXPECT_TRUE(file.IsPlaying()) << c.Name;
    }
}

TEST_F(PlaybackTest, PauseFreezesResumeContinuesPlayRestarts)
{
    const sf::SPcm pcm = sf::Sine(44100, 2, 3.0, 440.0);
    for (int offsetMs : {0, 200, -200})
    {
        CAudioFile& file = Music(Song("song.wav", pcm, sf::EFormat::Wav), offsetMs);
        const auto expect = [&](double from, double shiftMs)
        { return SExpected{Engine, "song.wav", 44100, pcm.Frames(), from, shiftMs * 44.1}; };
        EXPECT_FALSE(file.IsPlaying());
        EXPECT_EQ(file.GetPosition(), 0u);
        file.Play();
        const SExpected played = expect(0.0, offsetMs);
        Follow(Engine, file, played, 17640);
        file.Pause();
        EXPECT_FALSE(file.IsPlaying());
        const int64_t paused = HeardFrame(file);
        EXPECT_NEAR(double(paused), played.Frame(), 2.0);
        for (int step = 0; step < 15; ++step, Engine.Step())
            ASSERT_EQ(HeardFrame(file), paused) << offsetMs;

        // Goes on from the frozen position once the device plays again, as if the pause had
        // not been.
        Engine.Step(3'000'000);
        file.Resume();
        EXPECT_TRUE(file.IsPlaying());
        Follow(Engine, file, expect(double(paused), 0.0), paused + 8820);

        file.Play(); // from the start again, the offset as at first
        Follow(Engine, file, expect(0.0, offsetMs), 4410);
        EXPECT_TRUE(file.IsPlaying());
        file.Stop();
        EXPECT_FALSE(file.IsPlaying());
    }
}

TEST_F(PlaybackTest, EndsWithPositionAtLengthWhateverTheOffset)
{
    // 9999 ms is out of range: the log says so and 2000 ms is used, so the end comes in time.
    const sf::SPcm pcm = sf::Sine(22050, 1, 0.3, 440.0);
    for (int offsetMs : {0, 300, -300, 9999})
    {
        CLogCapture log;
        CAudioFile& file = Music(Song("short.ogg", pcm, sf::EFormat::Ogg), offsetMs);
        EXPECT_EQ(log.Text().find("out of range; using 2000 ms") != std::string::npos,
                  offsetMs == 9999);
        file.Play();
        const int usedMs = std::min(offsetMs, 2000);
        Follow(Engine, file, {Engine, "short.ogg", 22050, pcm.Frames(), 0.0, usedMs * 44.1});
        EXPECT_FALSE(file.IsPlaying()) << offsetMs;
        EXPECT_EQ(file.GetPosition(), file.GetLength());
        file.Resume(); // nothing left to play
        EXPECT_FALSE(file.IsPlaying());
        file.Play();
        EXPECT_TRUE(file.IsPlaying());
    }
}

TEST_F(PlaybackTest, StreamsPlayAtOnceAndCloseWhilePlaying)
{
    const sf::SPcm musicPcm = sf::Sine(44100, 2, 3.0, 440.0);
    const sf::SPcm logoPcm = sf::Sine(22050, 1, 1.5, 880.0);
    const sf::SPcm thirdPcm = sf::Sine(48000, 2, 2.0, 660.0);
    CAudioFile music, logo, third;
    ASSERT_TRUE(music.Open(Engine.Audio, Song("music.mp3", musicPcm, sf::EFormat::Mp3Cbr)));
    ASSERT_TRUE(logo.Open(Engine.Audio, Song("logo.wav", logoPcm, sf::EFormat::Wav)));
    ASSERT_TRUE(third.Open(Engine.Audio, Song("third.ogg", thirdPcm, sf::EFormat::Ogg)));
    music.Play();
    third.Play();
    const SExpected musicHeard{Engine, "music", 44100, musicPcm.Frames()};
    const SExpected thirdHeard{Engine, "third", 48000, thirdPcm.Frames()};
    for (int step = 0; step < 4; ++step)
        Engine.Step();
    logo.Play();
    const SExpected logoHeard{Engine, "logo", 22050, logoPcm.Frames()};
    const auto stepAndCheck = [&](bool withThird)
    {
        Engine.Step();
        musicHeard.Check(music);
        logoHeard.Check(logo);
        if (withThird)
            thirdHeard.Check(third);
    };
    for (int step = 0; step < 100 && HeardFrame(logo) < 4410; ++step)
        stepAndCheck(true);
    third.Close(); // a closing stream leaves the others playing
    EXPECT_FALSE(third.IsPlaying());
    for (int step = 0; step < 500 && (logo.IsPlaying() || music.IsPlaying()); ++step)
        stepAndCheck(false);
    EXPECT_EQ(music.GetPosition(), music.GetLength());
    EXPECT_EQ(logo.GetPosition(), logo.GetLength());
}

TEST_F(PlaybackTest, FileDeletedWhilePlayingPlaysToItsEnd)
{
    const sf::SPcm pcm = sf::Noise(44100, 2, 1.0, 3);
    const std::string path = Song("gone.mp3", pcm, sf::EFormat::Mp3Cbr);
    CAudioFile file;
    ASSERT_TRUE(file.Open(Engine.Audio, path));
    file.Play();
    const SExpected expected{Engine, "gone.mp3", 44100, pcm.Frames()};
    for (int step = 0; step < 5; ++step)
        Engine.Step();
    std::filesystem::remove(path);
    Follow(Engine, file, expected);
    EXPECT_FALSE(file.IsPlaying());
    EXPECT_FALSE(file.Open(Engine.Audio, path));
}

TEST_F(PlaybackTest, PlaybackAndDecodeOnlyOpensCountTheSameBytes)
{
    const sf::SPcm pcm = sf::Scale(22050, 1, 45, 6, 0.1);
    for (sf::EFormat format :
         {sf::EFormat::Mp3Cbr, sf::EFormat::Mp3VbrNoTag, sf::EFormat::Ogg, sf::EFormat::Wav})
    {
        const std::string path = Song("same.song", pcm, format);
        CAudioFile playback, decoding;
        ASSERT_TRUE(playback.Open(Engine.Audio, path));
        ASSERT_TRUE(decoding.OpenDecoding(path));
        EXPECT_EQ(playback.GetLength(), decoding.GetLength());
        EXPECT_EQ(playback.GetFrequency(), decoding.GetFrequency());
    }
}
