// The audio engine's streams: neutral answers when closed, a failed open leaves nothing,
// Init/Shutdown in any order (or none), analysis open building the note bins.
#include "audio/Audio.h"
#include "support/LogCapture.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace sf = SongFactory;

TEST(AudioFile, ClosedStreamGivesNeutralValues)
{
    CAudioFile file;
    EXPECT_EQ(file.GetHandle(), 0u);
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_EQ(file.GetFrequency(), 1);
    EXPECT_EQ(file.GetLevel(), 0u);
    EXPECT_FALSE(file.SetPosition(100));
    EXPECT_FALSE(file.IsPlaying());
    float bins[4096];
    EXPECT_EQ(file.GetSpectrum(bins), korvane::backend::ERead::Failed);
    EXPECT_EQ(file.Seconds2Bytes(1.0), 0);
    file.Play();
    file.Pause();
    file.Resume();
    file.Stop();
    EXPECT_FALSE(file.IsPlaying());
}

TEST(AudioFile, FailedOpenReleasesThePreviousStream)
{
    CTempDir dir;
    const auto song = dir.Path() / "a.ogg";
    ASSERT_TRUE(sf::WriteOgg(song, sf::Sine(22050, 1, 0.5, 440.0)));
    CAudioFile file;
    ASSERT_TRUE(file.OpenDecoding(song));
    EXPECT_NE(file.GetHandle(), 0u);
    EXPECT_EQ(file.GetFrequency(), 22050);
    EXPECT_EQ(file.GetLength(), 22050u);
    EXPECT_FALSE(file.OpenDecoding(dir.Path() / "missing.ogg"));
    EXPECT_EQ(file.GetHandle(), 0u);
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_EQ(file.GetFrequency(), 1);
}

TEST(AudioFile, SecondsAndBytesInWholeFrames)
{
    CTempDir dir;
    const auto song = dir.Path() / "s.wav";
    ASSERT_TRUE(sf::WriteWav(song, sf::Silence(48000, 2, 3.0)));
    CAudioFile file;
    ASSERT_TRUE(file.OpenDecoding(song));
    EXPECT_EQ(file.Seconds2Bytes(1.0), 192000);
    EXPECT_EQ(file.Seconds2Bytes(2.3), 110400 * 4); // not one frame short by rounding
    EXPECT_EQ(file.Seconds2Bytes(1.0 / 96000), 0);  // half a frame is no frame
    EXPECT_DOUBLE_EQ(file.Bytes2Seconds(192003), 1.0);
    EXPECT_TRUE(file.SetPosition(1001));
    EXPECT_EQ(file.GetPosition(), 1000u);
    EXPECT_TRUE(file.SetPosition(int64_t(1) << 40));
    EXPECT_EQ(file.GetPosition(), file.GetLength());
}

TEST(AudioEngine, PlaybackNeedsInitAndShutdownIsSafeAfterFailure)
{
    CTempDir dir;
    const auto song = dir.Path() / "p.wav";
    ASSERT_TRUE(sf::WriteWav(song, sf::Sine(44100, 2, 0.2, 440.0)));
    {
        CAudio audio;
        EXPECT_FALSE(audio.OpenMusic(song)); // no device yet
        CLogCapture log;
        CAudioFile clicks;
        EXPECT_FALSE(clicks.OpenClickTrack(audio, 26460, 4));
        EXPECT_EQ(log.Text(), "Could not play the click track\n"); // what a bug report shows
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        EXPECT_FALSE(audio.Init());
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        EXPECT_EQ(audio.GetAudioMap(), nullptr);
        audio.Shutdown();
    }
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    EXPECT_NE(audio.GetAudioMap(), nullptr);
    ASSERT_TRUE(audio.OpenMusic(song));
    audio.PlayMusic();
    EXPECT_TRUE(audio.GetMusic()->IsPlaying());
    audio.PauseMusic();
    EXPECT_FALSE(audio.GetMusic()->IsPlaying());
    audio.CloseMusic();
    EXPECT_EQ(audio.GetMusic()->GetHandle(), 0u);
    audio.Shutdown();

    // An engine destroyed while it plays, Shutdown never called: the feeder and SDL's audio
    // thread end with it and the device is closed.
    const auto threads = []
    { return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}); };
    const auto before = threads();
    auto* skipped = new CAudio();
    ASSERT_TRUE(skipped->Init());
    ASSERT_TRUE(skipped->OpenMusic(song));
    skipped->PlayMusic();
    delete skipped;
    EXPECT_EQ(threads(), before);
    CAudio again; // SDL opens one device at a time
    EXPECT_TRUE(again.Init());
}

TEST(AudioEngine, OpenForAnalysisBuildsNoteBinsForTheSongsRate)
{
    CTempDir dir;
    const auto song = dir.Path() / "a.wav";
    ASSERT_TRUE(sf::WriteWav(song, sf::Sine(44100, 2, 0.5, 440.0)));
    CAudio audio;
    ASSERT_TRUE(audio.Init());
    EXPECT_FALSE(audio.OpenForAnalysis(dir.Path() / "missing.mp3"));
    EXPECT_EQ(audio.GetAnalysis().GetNoteBins()[57], 0);
    ASSERT_TRUE(audio.OpenForAnalysis(song));
    EXPECT_EQ(audio.GetAnalysis().GetNoteBins()[57], 81);
    audio.CloseAnalysis();
    EXPECT_EQ(audio.GetAnalysis().GetLengthBytes(), 0u);
    audio.Shutdown();
}
