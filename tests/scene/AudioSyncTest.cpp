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

#include <optional>

using H = CSceneHarness;

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
            Settings::WriteNumber("AudioOffset", *c.Stored);
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

        EXPECT_EQ(SceneSequence(harness.LogText()), "Options,Audio Sync,Options");
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
