// A sound device that goes away mid-song on the stand-in device, in each way SDL and a sound
// server show it, and comes back. Meanwhile the song's position runs on at the output's rate
// from the frame heard when the device went quiet (found at once when the device or its server
// says so, a stall time and a second look after it went quiet otherwise), nothing is heard,
// and the device is opened again at once and then every half second. Once it plays, the log
// says so, and from the first buffer on the frame heard is the one the position shows: the lane
// and the sound agree, and the sound goes on frame after frame. A pause holds through it all:
// nothing is heard until Resume, which starts where the pause held.
#include "audio/Audio.h"
#include "audio/backend/output/DeviceClock.h"
#include "audio/backend/output/Output.h"
#include "platform/Settings.h"
#include "support/LogCapture.h"
#include "support/SongFactory.h"
#include "support/StandInAudio.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace sf = SongFactory;
using EOutage = korvane::backend::CStandInDevice::EOutage;

namespace
{
constexpr int64_t Ms = 1'000'000;
constexpr double FramesPerNs = 44100e-9;
const std::string Lost = "The audio device stopped playing; the game goes on without sound\n";
const std::string Back = "The audio device plays again\n";

struct SOutage
{
    const char* Name;
    EOutage Outage;
    int Refusals;     // opens that fail first, tried every half second
    int64_t PauseMs;  // paused this long after the device went away (negative: before); 0: never
    int64_t ResumeMs; // resumed this long after it went away
};

// What was heard, frame by frame, from the stand-in's listener: the song's frame number, or -1
// for silence.
struct SHeard
{
    int64_t FromNs = 0;
    std::vector<int16_t> Samples;
    int64_t FrameAt(int64_t ns) const
    {
        const auto i = size_t(double(ns - FromNs) * FramesPerNs);
        return 2 * i + 1 < Samples.size() ? sf::FrameNumber(Samples[2 * i], Samples[2 * i + 1])
                                          : -1;
    }
};

class OutageTest : public ::testing::Test
{
protected:
    CTempHome Home;
    CTempDir Dir;
};
} // namespace

TEST_F(OutageTest, TheSoundComesBackWhereThePositionRanTo)
{
    const SOutage cases[] = {
        {"callbacks stop", EOutage::CallbacksStop, 0, 0, 0},
        {"callbacks go on silently", EOutage::SilentCallbacks, 3, 0, 0},
        {"writes fail", EOutage::WriteFails, 0, 0, 0},
        {"the server watch reports first", EOutage::ServerFirst, 1, 0, 0},
        {"ten seconds away", EOutage::ServerFirst, 20, 0, 0},
        {"the device returns during pause", EOutage::ServerFirst, 4, -500, 3000},
        {"paused while away, back during pause", EOutage::ServerFirst, 4, 1500, 3000},
        {"resumed while away", EOutage::SilentCallbacks, 8, -500, 1000},
    };
    const std::string path = (Dir.Path() / "numbered.wav").string();
    ASSERT_TRUE(sf::Write(path, sf::NumberedFrames(20.0), sf::EFormat::Wav));
    Settings::WriteNumber(Settings::Key::AudioOffset, 0);
    for (const SOutage& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CStandInAudio Engine; // a device that has never gone away
        ASSERT_TRUE(Engine.Init());
        ASSERT_TRUE(Engine.Audio.OpenMusic(path));
        CAudioFile& file = *Engine.Audio.GetMusic();
        const auto position = [&] { return int64_t(file.GetPosition() / 4); }; // checks the device
        CLogCapture log;
        file.Play();
        // Where the song is heard, had the device never gone (a song played from the start).
        const int64_t heardFromNs = Engine.HeardFromNs();
        const auto ideal = [&](int64_t ns)
        { return std::max(0.0, double(ns - heardFromNs) * FramesPerNs); };
        const int64_t awayNs = heardFromNs + 1007 * Ms; // between two buffers
        const int64_t pauseNs = awayNs + c.PauseMs * Ms;
        const int64_t resumeNs = awayNs + c.ResumeMs * Ms;
        int64_t quietNs = 0, foundNs = 0, backNs = 0, heldFrame = -1;
        int pauses = 0; // 1 while paused, 2 once resumed
        // Frame positions read at each step, while playing (paused: -1).
        std::vector<std::pair<int64_t, int64_t>> read;
        for (int64_t ns = Engine.NowNs(); ns < awayNs + 14000 * Ms; ns = Engine.NowNs())
        {
            if (ns == awayNs)
            {
                quietNs = Engine.DueNs(Engine.Buffers() - 1); // the last callback
                Engine.Playing()->Unplug(c.Outage, c.Refusals);
            }
            if (c.PauseMs != 0 && pauses == 0 && ns >= pauseNs)
            {
                file.Pause();
                heldFrame = position();
                pauses = 1;
            }
            else if (pauses == 1 && ns >= resumeNs)
            {
                file.Resume();
                EXPECT_EQ(position(), heldFrame) << "the resume starts where the pause held";
                pauses = 2;
            }
            const bool paused = pauses == 1;
            const int64_t frame = position();
            if (paused)
            {
                EXPECT_EQ(frame, heldFrame) << "held at " << (ns - awayNs) / Ms << " ms";
            }
            const std::string text = log.Text();
            if (!foundNs && text.find(Lost) != std::string::npos)
                foundNs = ns;
            if (!backNs && text.find(Back) != std::string::npos)
                backNs = ns;
            read.emplace_back(ns, paused ? -1 : frame);
            if (c.PauseMs == 0)
            {
                // The position runs as if the device had never gone; before a stall is found
                // it waits at what the device was given.
                if (c.Outage == EOutage::CallbacksStop && !foundNs)
                {
                    EXPECT_LE(double(frame), ideal(ns) + 1.0) << (ns - awayNs) / Ms << " ms";
                }
                else
                {
                    EXPECT_NEAR(double(frame), ideal(ns), 1.0) << (ns - awayNs) / Ms << " ms";
                }
            }
            // The next step lands on the outage and the pause before it.
            int64_t stepNs = CStandInAudio::FrameNs;
            for (const int64_t at : {awayNs, c.PauseMs < 0 ? pauseNs : 0})
                if (at > ns && at - ns < stepNs)
                    stepNs = at - ns;
            Engine.Step(stepNs);
        }
        EXPECT_EQ(log.Text(), Lost + Back) << "one outage, said once";
        // Found as soon as it is told, or once the device has been quiet for the stall time
        // and is still quiet at a look some time later.
        using korvane::backend::CDeviceClock;
        const int64_t toldNs = c.Outage == EOutage::CallbacksStop
                                   ? quietNs + CDeviceClock::StallNs + CDeviceClock::ConfirmNs
                               : c.Outage == EOutage::SilentCallbacks
                                   ? awayNs + korvane::backend::CStandInDevice::WatchRoundNs
                                   : awayNs;
        EXPECT_GE(foundNs, toldNs);
        EXPECT_LE(foundNs, toldNs + 2 * CStandInAudio::FrameNs);
        // Opened again at once, then every half second; back a few buffers after it opens.
        const int64_t opensNs = foundNs + c.Refusals * korvane::backend::COutput::ReopenEveryNs;
        EXPECT_GE(backNs, opensNs);
        EXPECT_LE(backNs, opensNs + 120 * Ms);

        SHeard heard;
        heard.Samples = Engine.TakePlayed(&heard.FromNs);
        // Nothing heard from shortly after the device went quiet until it is back; paused,
        // nothing until the resume.
        const int64_t silentFromNs = c.PauseMs < 0 ? pauseNs + 50 * Ms : awayNs + 50 * Ms;
        const int64_t silentToNs =
            std::max(silentFromNs, c.PauseMs != 0 ? std::max(backNs, resumeNs) : backNs - 60 * Ms);
        for (int64_t ns = silentFromNs; ns < silentToNs; ns += Ms)
            ASSERT_EQ(heard.FrameAt(ns), -1) << "heard " << (ns - awayNs) / Ms << " ms after";
        // From the first buffer heard again on, the sound is where the position is, and it
        // goes on frame after frame.
        int64_t firstNs = silentToNs;
        while (heard.FrameAt(firstNs) < 0 && firstNs < awayNs + 14000 * Ms)
            firstNs += 100'000;
        ASSERT_LT(firstNs, awayNs + 13000 * Ms) << "never heard again";
        if (c.PauseMs == 0)
        {
            EXPECT_LE(firstNs, backNs + 50 * Ms) << "heard again from the device's first buffer";
        }
        int checked = 0;
        for (const auto& [ns, frame] : read)
            if (ns >= firstNs && frame >= 0 && heard.FrameAt(ns) >= 0)
            {
                EXPECT_NEAR(double(heard.FrameAt(ns)), double(frame), 2.0)
                    << "heard against the position " << (ns - awayNs) / Ms << " ms after";
                ++checked;
            }
        EXPECT_GT(checked, 25);
        const auto first = size_t(double(firstNs - heard.FromNs) * FramesPerNs);
        const int64_t start =
            sf::FrameNumber(heard.Samples[2 * first], heard.Samples[2 * first + 1]);
        for (size_t i = first; 2 * i + 1 < heard.Samples.size(); ++i)
            ASSERT_EQ(sf::FrameNumber(heard.Samples[2 * i], heard.Samples[2 * i + 1]),
                      start + int64_t(i - first))
                << "a step in the sound " << double(i - first) / 44.1 << " ms after its return";
    }
}
