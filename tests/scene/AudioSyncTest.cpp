#include "MenuChecks.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "audio/backend/output/Output.h"
#include "menus/OptionsScene.h"
#include "platform/Settings.h"
#include "support/SceneRunner.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

using H = CSceneHarness;

namespace
{
// From Options into the audio sync screen (Up, Up, Enter), then `keys` one every other frame,
// then 16 taps, one a click (every 20 frames: 600 ms), `late` frames after it and each moved
// by its `away`. The frame 20 after the last click.
uint64_t Taps(CSceneHarness& harness, std::vector<SDLKey> keys, uint64_t late,
              const std::array<int, 16>& away = {})
{
    uint64_t frame = 2;
    keys.insert(keys.begin(), {SDLK_UP, SDLK_UP, SDLK_RETURN});
    for (const SDLKey sym : keys)
    {
        harness.At(frame, H::Key(sym));
        frame += 2;
    }
    frame += 3 + late;
    for (size_t tap = 0; tap < away.size(); ++tap, frame += 20)
        harness.At(uint64_t(int64_t(frame) + away[tap]), H::Key(SDLK_SPACE));
    return frame;
}
} // namespace

// From Options through the audio sync screen and back, skipping the taps (Next): Save alone
// writes the offset, within its range; Cancel and Esc leave the file as it was. Options then
// shows the stored offset, and the next song is heard with it.
TEST(AudioSyncScene, SavesOnlyOnSaveAndTheNextSongHearsIt)
{
    const SDL_Event next = H::Click(330, 520), save = next, cancel = H::Click(510, 520);
    const SDL_Event right = H::Key(SDLK_RIGHT), left = H::Key(SDLK_LEFT);
    struct SCase
    {
        const char* Name;
        std::optional<int> Stored;
        std::vector<SDL_Event> Script; // after Next, one event every other frame
        int Heard;                     // the offset of the next song
        bool Written;
    };
    const SCase cases[] = {
        {"keys, then Save", std::nullopt, {right, right, right, left, save}, 10, true},
        {"the arrows, then Save",
         0,
         {H::Click(490, 315), H::Click(160, 315), H::Click(160, 315), save},
         -5,
         true},
        {"kept within range", 1995, {right, right, right, save}, 2000, true},
        {"Cancel", -40, {right, cancel}, -40, false},
        {"Esc", std::nullopt, {right, H::Key(SDLK_ESCAPE)}, 0, false},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CTempHome home;
        CTempDir dir;
        const std::string song = (dir.Path() / "song.wav").string();
        ASSERT_TRUE(SongFactory::Write(song, SongFactory::Sine(44100, 2, 0.5, 440),
                                       SongFactory::EFormat::Wav));
        if (c.Stored)
            Settings::WriteNumber(Settings::Key::AudioOffset, *c.Stored);
        const std::string before = SettingsFile(home);
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        harness.At(2, H::Click(150, 410)); // the Options entry
        harness.At(5, next);
        uint64_t frame = 7;
        for (const SDL_Event& event : c.Script)
            harness.At(frame += 2, event);
        int offPlace = -2;
        const std::string shown = "Audio Sync : " + std::to_string(c.Heard) + " ms";
        harness.AtFrame(frame + 3,
                        [&](CGraphics& g) {
                            offPlace = TextOffPlace(g, harness.Shared(), shown, 1, 140, 400, false);
                        });
        harness.At(frame + 3, H::Quit());
        harness.Run(new COptionsScene());

        EXPECT_EQ(harness.SceneSequence(), "Options,Audio Sync,Options");
        EXPECT_EQ(offPlace, 0);
        const std::string after = SettingsFile(home);
        if (c.Written)
            EXPECT_EQ(after, "AudioOffset=" + std::to_string(c.Heard) + "\n");
        else
            EXPECT_EQ(after, before);
        CAudio& audio = *harness.Shared().Audio;
        audio.SetAudioOffset(0);
        ASSERT_TRUE(audio.OpenMusic(song));
        EXPECT_EQ(audio.GetOutput()->ExtraLatencyFrames(), c.Heard * 441 / 10);
        audio.CloseMusic();
    }
}

// The audio sync screen by keys alone, from Options (Up twice, Enter): Space taps, Tab,
// Shift+Tab, Up and Down move the highlight over the step's entries, Enter presses it; after
// the taps the highlight rests on Next, in step 2 on Save. One key a frame, each released in
// the frame it is pressed.
TEST(AudioSyncScene, IsPlayedByKeysAlone)
{
    const auto key = [](SDLKey sym, int mod = KMOD_NONE)
    {
        SDL_Event down = H::Key(sym);
        down.key.keysym.mod = SDLMod(mod);
        SDL_Event up = down;
        up.type = SDL_KEYUP;
        up.key.state = SDL_RELEASED;
        return std::vector<SDL_Event>{down, up};
    };
    const auto enter = key(SDLK_RETURN), tab = key(SDLK_TAB), space = key(SDLK_SPACE);
    const auto shiftTab = key(SDLK_TAB, KMOD_LSHIFT), down = key(SDLK_DOWN), up = key(SDLK_UP),
               left = key(SDLK_LEFT);
    std::vector<std::vector<SDL_Event>> taps(16, space);
    struct SCase
    {
        const char* Name;
        std::vector<std::vector<SDL_Event>> Keys;
        std::string Sequence;
        std::string Written; // the settings file's AudioOffset line, "" for none
    };
    const auto then = [](std::vector<std::vector<SDL_Event>> keys,
                         std::initializer_list<std::vector<SDL_Event>> more)
    {
        keys.insert(keys.end(), more);
        return keys;
    };
    const SCase cases[] = {
        {"16 taps, Enter, Enter", then(taps, {enter, enter}), "Options,Audio Sync,Options", "?"},
        {"Enter shows Next, Enter, Left, Enter saves",
         {enter, enter, left, enter},
         "Options,Audio Sync,Options",
         "AudioOffset=-5\n"},
        {"Tab three times is Cancel", {tab, tab, tab, enter}, "Options,Audio Sync,Options", ""},
        {"Shift+Tab from none is Cancel", {shiftTab, enter}, "Options,Audio Sync,Options", ""},
        {"Down, Down, Enter is Next; Up, Enter is Try again",
         {down, down, enter, up, enter},
         "Options,Audio Sync",
         ""},
        {"in step 2, Tab after Save is Cancel",
         {enter, enter, tab, enter},
         "Options,Audio Sync,Options",
         ""},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CTempHome home;
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        uint64_t frame = 2;
        for (const auto& events : {up, up, enter})
        {
            for (const SDL_Event& event : events)
                harness.At(frame, event);
            frame += 2;
        }
        frame += 3;
        for (const auto& events : c.Keys)
        {
            for (const SDL_Event& event : events)
                harness.At(frame, event);
            frame += 20; // a tap on each click of 100 beats a minute: 600 ms apart
        }
        harness.At(frame + 3, H::Quit());
        harness.Run(new COptionsScene());
        EXPECT_EQ(harness.SceneSequence(), c.Sequence);
        const std::string file = SettingsFile(home);
        if (c.Written == "?")
            EXPECT_TRUE(file.starts_with("AudioOffset=")) << file;
        else
            EXPECT_EQ(file, c.Written);
    }
}

// The taps are measured in the click track's own time, heard through the offset shown: taps two
// frames later propose 60 ms more, and taps tried again after the offset was moved propose
// what they proposed before.
TEST(AudioSyncScene, TheProposedOffsetFollowsTheTapsAloneInTheClicksTime)
{
    // Audio Sync, then `before`, 16 taps, Enter, Enter.
    const auto proposed = [](uint64_t lateFrames, std::vector<SDLKey> before)
    {
        CTempHome home;
        CSceneHarness harness;
        if (!harness.Ready())
            return std::string("no harness");
        uint64_t frame = Taps(harness, std::move(before), lateFrames);
        for (int enter = 0; enter < 2; ++enter, frame += 2)
            harness.At(frame, H::Key(SDLK_RETURN));
        harness.At(frame + 3, H::Quit());
        harness.Run(new COptionsScene());
        return SettingsFile(home);
    };
    const auto ms = [](const std::string& file)
    { return file.starts_with("AudioOffset=") ? std::stoi(file.substr(12)) : -9999; };
    // Next, +30 ms, Try again.
    const std::vector<SDLKey> moved = {SDLK_RETURN, SDLK_RETURN, SDLK_RIGHT, SDLK_RIGHT,
                                       SDLK_RIGHT,  SDLK_RIGHT,  SDLK_RIGHT, SDLK_RIGHT,
                                       SDLK_UP,     SDLK_RETURN};
    const std::string first = proposed(0, {}), late = proposed(2, {}), again = proposed(0, moved);
    EXPECT_NEAR(ms(late) - ms(first), 60, 1) << first << late;
    EXPECT_NEAR(ms(again), ms(first), 1) << first << again;
}

// Taps all over the beat: the screen says how few were steady, and asks for another try, each
// line centred where the proposal's lines stand.
TEST(AudioSyncScene, UnsteadyTapsAreToldToTryAgain)
{
    CTempHome home;
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    // Tapped up to 270 ms away from the click either way.
    const uint64_t frame =
        Taps(harness, {}, 0, {0, 7, -5, 3, 9, -8, 2, -3, 6, -9, 4, -2, 8, -6, 1, 5});
    std::vector<int> offPlace;
    std::string only;
    harness.AtFrame(
        frame,
        [&](CGraphics& g)
        {
            int good = -1, counted = -1;
            const std::string log = harness.LogText();
            const auto at = log.find("Audio sync : ");
            if (at != std::string::npos)
                std::sscanf(log.c_str() + at, "Audio sync : %d good taps of %d", &good, &counted);
            only = "Only " + std::to_string(good) + " steady taps of " + std::to_string(counted);
            offPlace = {TextOffPlace(g, harness.Shared(), only, 1, 400, 340, true),
                        TextOffPlace(g, harness.Shared(), "Please try again", 1, 400, 380, true)};
        });
    harness.At(frame, H::Quit());
    harness.Run(new COptionsScene());
    EXPECT_EQ(offPlace, (std::vector<int>{0, 0})) << only;
}
