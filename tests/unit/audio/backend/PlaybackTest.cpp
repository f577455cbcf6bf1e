// Playback through SDL's dummy audio driver: the heard position follows the device, with the
// player's offset, freezes on pause and goes on from there, comes back to 0 on Play, and
// several streams play at once. Only bounds a loaded machine cannot break are checked: the
// device clock never runs faster than the wall clock (plus its 5 % correction), and every wait
// for progress has seconds to spare, so a stalled or doubled clock fails and a slow one passes.
#include "audio/Audio.h"
#include "audio/backend/output/DeviceClock.h"
#include "audio/backend/output/PulseWatch.h"
#include "platform/Settings.h"
#include "support/LogCapture.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace sf = SongFactory;
using Clock = std::chrono::steady_clock;

namespace
{
void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads the position every 5 ms from `start` until `done` says so (false after 10 s). While
// the stream plays each read is at least the one before (`from` first), at most `from` plus
// the wall time since `start` less `delay`, and no step is longer than the time between the
// reads (5 % for the clock's correction and 5 ms to spare).
bool Follow(const CAudioFile& file, Clock::time_point start, double from, double delay,
            const std::function<bool(double)>& done)
{
    const double length = file.Bytes2Seconds(int64_t(file.GetLength()));
    double last = from;
    for (auto previous = start; SecondsSince(start) < 10.0;)
    {
        const auto now = Clock::now();
        const double heard = file.Bytes2Seconds(int64_t(file.GetPosition()));
        if (file.IsPlaying()) // an early end jumps to the length
        {
            const double most = std::clamp(from + 1.05 * SecondsSince(start) - delay, from, length);
            EXPECT_GE(heard, last);
            EXPECT_LE(heard, most + 0.005);
            EXPECT_LE(heard - last, 1.05 * SecondsSince(previous) + 0.005);
        }
        previous = now;
        if (done(last = heard))
            return true;
        Sleep(5);
    }
    return false;
}

// From Play: a negative offset puts the position ahead at once, a positive one holds it at 0.
bool FollowPlay(CAudioFile& file, int offsetMs, const std::function<bool(double)>& done)
{
    const auto start = Clock::now();
    file.Play();
    return Follow(file, start, std::max(0, -offsetMs) / 1000.0, std::max(0, offsetMs) / 1000.0,
                  done);
}

size_t Occurrences(const std::string& text, const std::string& line)
{
    size_t n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++n;
    return n;
}

bool WaitUntilStopped(const CAudioFile& file)
{
    return Follow(file, Clock::now(), file.Bytes2Seconds(int64_t(file.GetPosition())), 0.0,
                  [&](double) { return !file.IsPlaying(); });
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

    // The battle's stream, with the player's AudioOffset in the settings file.
    CAudioFile& Music(const std::string& path, int offsetMs)
    {
        Settings::WriteNumber("AudioOffset", offsetMs);
        EXPECT_TRUE(Audio.OpenMusic(path));
        return *Audio.GetMusic();
    }

    CTempHome Home;
    CAudio Audio;
    CTempDir Dir;
};
} // namespace

// The device clock alone, fed callbacks of 1024 frames on made-up timelines and read every
// millisecond: never back, never past what was handed, no step above the time elapsed (plus
// the 5 % correction) once something is heard, and settled on the frame played: two granted
// buffers behind, or one plus what a sound server says it holds, plus a refill taken at once.
// A device that stops calling back counts as lost after the stall time: the clock goes on
// from the last frame handed at the nominal rate, and a late callback changes nothing. A pause
// while nothing is audible, or one the server vouches for, is no loss.
TEST(DeviceClock, FollowsTheCallbacksSmoothly)
{
    using korvane::backend::CDeviceClock;
    enum class EServer
    {
        None,
        Holds,     // every 100 ms: 13 ms of latency (and any refill), our frames held
        Schedules, // ...and, while paused, how long until it plays us
        Hangs,     // answers as Holds, then no more from 100 ms before the device stops
        Drops,     // as Holds, but 200 ms of latency until 3 s in (another sink, say)
        Quiet,     // answers, but never says a latency or that it holds anything (PipeWire)
    };
    struct SCase
    {
        const char* Name;
        double PeriodUs;
        int JitterUs;    // each callback early or late by up to this much, fixed pattern
        int64_t ShiftNs; // from the 60th callback on, all come this much late (or early)
        int Ticks;       // callbacks before the device stops (or the end of the case)
        int PauseAfter;  // from this callback on, all come PauseNs later (0: no pause)...
        int64_t PauseNs; // (for a device that stops: when a voice plays after the last one)
        int Refill;      // ...with this many more right after the first, 0.1 ms apart
        bool Silent;     // nothing audible in the callback before the pause (or the stop)
        EServer Server;
    };
    const double period = 1024e6 / 44100;
    const SCase cases[] = {
        {"on time", period, 0, 0, 300, 0, 0, 0, false, EServer::None},
        {"jittered", period, 3000, 0, 300, 0, 0, 0, false, EServer::None},
        {"stalled once", period, 0, 30000000, 300, 0, 0, 0, false, EServer::None},
        {"caught up once", period, 0, -15000000, 300, 0, 0, 0, false, EServer::None},
        {"fast device", 23000.0, 0, 0, 300, 0, 0, 0, false, EServer::None},
        {"device stops", period, 3000, 0, 100, 0, 0, 0, false, EServer::None},
        {"never calls back", period, 0, 0, 0, 0, 0, 0, false, EServer::None},
        {"stops while silent", period, 3000, 0, 100, 0, 1000000000, 0, true, EServer::None},
        {"paused, nothing audible", period, 3000, 0, 300, 100, 2000000000, 0, true, EServer::None},
        {"refill after a pause", period, 0, 0, 300, 100, 1000000000, 8, true, EServer::None},
        {"server latency", period, 3000, 0, 300, 0, 0, 0, false, EServer::Holds},
        {"corked by the server", period, 3000, 0, 300, 100, 2000000000, 0, false, EServer::Holds},
        {"refill the server counts", period, 0, 0, 300, 100, 1000000000, 8, false, EServer::Holds},
        {"server starts late", period, 0, 0, 300, 1, 1500000000, 0, false, EServer::Schedules},
        {"server hangs", period, 3000, 0, 100, 0, 0, 0, false, EServer::Hangs},
        {"server latency drops", period, 3000, 0, 300, 0, 0, 0, false, EServer::Drops},
        {"server without a latency", period, 3000, 0, 300, 0, 0, 0, false, EServer::Quiet},
    };
    for (const SCase& c : cases)
    {
        const bool stops = c.Ticks < 300;
        CDeviceClock clock;
        clock.Start(1024, 44100, 0);
        const auto tickNs = [&](int tick)
        {
            const int refill = c.PauseAfter > 0 ? std::clamp(tick - c.PauseAfter, 0, c.Refill) : 0;
            const int paced = tick - refill;
            const int64_t jitterUs = c.JitterUs * ((paced * 7919) % 7 - 3) / 3;
            return int64_t((paced * c.PeriodUs + double(jitterUs)) * 1000) +
                   (paced >= 60 ? c.ShiftNs : 0) +
                   (c.PauseAfter > 0 && paced >= c.PauseAfter ? c.PauseNs : 0) + refill * 100000;
        };
        const auto lastNs = [&](int ticks) { return ticks > 0 ? tickNs(ticks - 1) : 0; };
        const int64_t resumeNs = c.PauseAfter > 0 ? tickNs(c.PauseAfter) : 0;
        // A silent device has to call back from when a voice plays on.
        const int silentTick = (stops ? c.Ticks : c.PauseAfter) - 1;
        const int64_t playNs = stops ? lastNs(c.Ticks) + c.PauseNs : resumeNs;
        const int64_t dueNs = c.Silent ? playNs : lastNs(c.Ticks);
        const int64_t endNs = stops ? dueNs + 2 * CDeviceClock::StallNs : lastNs(c.Ticks);
        int tick = 0;
        double last = 0.0;
        bool played = !c.Silent;
        for (int64_t ns = 0; ns <= endNs || tick < c.Ticks; ns += 1000000)
        {
            if (!played && ns >= playNs)
            {
                clock.Expect(playNs);
                played = true;
            }
            for (; tick < c.Ticks && tickNs(tick) <= ns; ++tick)
                if (clock.Callback(tickNs(tick)))
                    clock.Tick(uint64_t(tick + 1) * 1024, tickNs(tick),
                               !c.Silent || tick != silentTick);
            // What the server says it holds: 13 ms, any refill, and what the case adds.
            int64_t told = 573 + (resumeNs > 0 && ns > resumeNs ? c.Refill * 1024 : 0);
            if (c.Server == EServer::Schedules)
                told += std::max<int64_t>(0, resumeNs - ns) * 441 / 10000000;
            if (c.Server == EServer::Drops && ns < 3000000000)
                told = 8820;
            // Told as PulseWatch hears it: 3 ms in the sink, the rest queued; corked while paused.
            const int64_t toldUs =
                c.Server == EServer::Quiet ? 0 : (told * 1000000 + 44099) / 44100;
            const bool corked = c.Server == EServer::Holds && c.PauseAfter > 0 &&
                                ns > lastNs(c.PauseAfter) && ns < resumeNs;
            const auto answer = korvane::backend::CPulseWatch::StreamAnswer(
                uint64_t(std::max<int64_t>(0, toldUs - 3000)),
                uint64_t(std::min<int64_t>(toldUs, 3000)), corked);
            if (ns % 100000000 == 0 && c.Server != EServer::None &&
                (c.Server != EServer::Hangs || ns + 100000000 <= lastNs(c.Ticks)))
                clock.Report(ns, answer.LatencyFrames(44100), answer.Holding);
            const double playing = clock.PlayingAt(ns);
            const double free =
                44100e-9 * double(std::max<int64_t>(0, ns - lastNs(tick) - CDeviceClock::StallNs));
            ASSERT_GE(playing, last) << c.Name << " tick " << tick;
            ASSERT_LE(playing, tick * 1024.0 + free) << c.Name << " tick " << tick;
            // The first frame heard may come late, and the line jumps to where the server says.
            const double jump = c.Server == EServer::Drops && ns == 3000000000 ? 8820 - 573 : 0;
            if (last > 0.0)
            {
                ASSERT_LE(playing - last, 1.05 * 44.1 + jump + 1e-6) << c.Name << " tick " << tick;
            }
            ASSERT_EQ(clock.LostAt(ns), stops && ns > dueNs + CDeviceClock::StallNs)
                << c.Name << " at " << ns;
            last = playing;
        }
        if (!stops)
        {
            const bool serverSays = c.Server != EServer::None && c.Server != EServer::Quiet;
            const double held = (serverSays ? 1024.0 + 573 : 2048.0) + c.Refill * 1024;
            EXPECT_NEAR(clock.PlayingAt(tickNs(tick - 1)), tick * 1024.0 - held, 2 * 44.1)
                << c.Name;
            continue;
        }
        const double expected = tick * 1024.0 + 44100e-9 * CDeviceClock::StallNs;
        EXPECT_NEAR(clock.PlayingAt(endNs), expected, 1.0) << c.Name;
        EXPECT_FALSE(clock.Callback(endNs)) << c.Name;
        EXPECT_NEAR(clock.PlayingAt(endNs), expected, 1.0) << c.Name;
    }

    // A server that says it holds a second of ours vouches for that second, then the stall time.
    CDeviceClock held;
    held.Start(1024, 44100, 0);
    held.Callback(0);
    held.Tick(1024, 0, true);
    held.Report(100000000, 44100, true);
    EXPECT_FALSE(held.LostAt(1100000000 + CDeviceClock::StallNs));
    EXPECT_TRUE(held.LostAt(1100000000 + CDeviceClock::StallNs + 1));
}

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
        EXPECT_TRUE(FollowPlay(file, c.OffsetMs, [](double s) { return s >= 1.0; })) << c.Name;
        EXPECT_TRUE(file.IsPlaying()) << c.Name;
    }
}

TEST_F(PlaybackTest, PauseFreezesResumeContinuesPlayRestarts)
{
    for (int offsetMs : {0, 200, -200})
    {
        CAudioFile& file =
            Music(Song("song.wav", sf::Sine(44100, 2, 3.0, 440.0), sf::EFormat::Wav), offsetMs);
        EXPECT_FALSE(file.IsPlaying());
        EXPECT_EQ(file.GetPosition(), 0u);
        ASSERT_TRUE(FollowPlay(file, offsetMs, [](double s) { return s >= 0.4; }));
        file.Pause();
        EXPECT_FALSE(file.IsPlaying());
        const double paused = file.Bytes2Seconds(int64_t(file.GetPosition()));
        Sleep(300);
        EXPECT_EQ(file.Bytes2Seconds(int64_t(file.GetPosition())), paused);

        const auto resumed = Clock::now();
        file.Resume(); // goes on from the frozen position, as if the pause had not been
        EXPECT_TRUE(file.IsPlaying());
        ASSERT_TRUE(
            Follow(file, resumed, paused, 0.0, [&](double s) { return s >= paused + 0.2; }));

        EXPECT_TRUE(FollowPlay(file, offsetMs, [](double) { return true; }));
        EXPECT_TRUE(file.IsPlaying());
        file.Stop();
        EXPECT_FALSE(file.IsPlaying());
    }
}

TEST_F(PlaybackTest, EndsWithPositionAtLengthWhateverTheOffset)
{
    // 9999 ms is out of range: the log says so and 2000 ms is used, so the end comes in time.
    for (int offsetMs : {0, 300, -300, 9999})
    {
        CLogCapture log;
        CAudioFile& file =
            Music(Song("short.ogg", sf::Sine(22050, 1, 0.3, 440.0), sf::EFormat::Ogg), offsetMs);
        EXPECT_EQ(log.Text().find("out of range; using 2000 ms") != std::string::npos,
                  offsetMs == 9999);
        file.Play();
        ASSERT_TRUE(WaitUntilStopped(file)) << offsetMs;
        EXPECT_EQ(file.GetPosition(), file.GetLength());
        file.Resume(); // nothing left to play
        EXPECT_FALSE(file.IsPlaying());
        file.Play();
        EXPECT_TRUE(file.IsPlaying());
    }
}

TEST_F(PlaybackTest, TwoStreamsPlayAtOnceAndCloseWhilePlaying)
{
    CAudioFile music, logo, third;
    ASSERT_TRUE(music.Open(Song("music.mp3", sf::Sine(44100, 2, 3.0, 440.0), sf::EFormat::Mp3Cbr)));
    ASSERT_TRUE(logo.Open(Song("logo.wav", sf::Sine(22050, 1, 1.5, 880.0), sf::EFormat::Wav)));
    ASSERT_TRUE(third.Open(Song("third.ogg", sf::Sine(48000, 2, 2.0, 660.0), sf::EFormat::Ogg)));
    music.Play();
    third.Play();
    ASSERT_TRUE(FollowPlay(logo, 0, [](double s) { return s >= 0.2; }));
    third.Close(); // a closing stream leaves the others playing
    EXPECT_TRUE(music.IsPlaying());
    EXPECT_TRUE(logo.IsPlaying());
    EXPECT_GT(music.GetPosition(), uint64_t(music.Seconds2Bytes(0.15)));
    ASSERT_TRUE(WaitUntilStopped(logo));
    EXPECT_TRUE(music.IsPlaying());
    ASSERT_TRUE(WaitUntilStopped(music));
}

// A device that stops calling back (paused under the mixer) for a while, or an output closed
// under a stream that is then played: the song goes on silently, ends at its length, and a
// device that calls back again plays on from where the song is.
TEST_F(PlaybackTest, StalledOrClosedDeviceEndsTheSongInTime)
{
    const std::string lost = "The audio device stopped playing; the game goes on without sound\n";
    const std::string back = "The audio device plays again\n";
    for (bool closed : {false, true})
    {
        CLogCapture log;
        CAudioFile& file =
            Music(Song("lost.ogg", sf::Sine(22050, 1, 2.0, 440.0), sf::EFormat::Ogg), 0);
        ASSERT_TRUE(FollowPlay(file, 0, [](double s) { return s >= 0.2; }));
        if (closed)
        {
            Audio.Shutdown();
            file.Play();
        }
        else
        {
            SDL_PauseAudio(1);
            ASSERT_TRUE(Follow(file, Clock::now(), file.Bytes2Seconds(int64_t(file.GetPosition())),
                               0.0,
                               [&](double) { return log.Text().find(lost) != std::string::npos; }));
            SDL_PauseAudio(0);
        }
        EXPECT_TRUE(file.IsPlaying()) << closed;
        ASSERT_TRUE(WaitUntilStopped(file)) << closed;
        EXPECT_EQ(file.GetPosition(), file.GetLength());
        const std::string text = log.Text();
        for (const std::string& line : {lost, back})
            EXPECT_EQ(Occurrences(text, line), closed ? 0u : 1u) << line;
        Audio.Shutdown();
        ASSERT_TRUE(Audio.Init());
    }
}

TEST_F(PlaybackTest, FileDeletedWhilePlayingEndsTheStream)
{
    const std::string path = Song("gone.mp3", sf::Noise(44100, 2, 1.0, 3), sf::EFormat::Mp3Cbr);
    CAudioFile file;
    ASSERT_TRUE(file.Open(path));
    file.Play();
    Sleep(100);
    std::filesystem::remove(path);
    EXPECT_TRUE(WaitUntilStopped(file));
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
