#pragma once
#include "audio/AudioFile.h"
#include "audio/SongAnalysis.h"
#include "audio/backend/output/StandInDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CAudioMap;
class CStandInClock;
namespace korvane::backend
{
class CDevice;
class COutput;
} // namespace korvane::backend

// The audio engine: owns the output device, the song analysis (a decode-only stream and the
// audio map it fills) and the battle's music stream. Main thread only.
class CAudio
{
public:
    CAudio();
    virtual ~CAudio(); // shuts down when Shutdown was not called
    CAudio(const CAudio&) = delete;
    CAudio& operator=(const CAudio&) = delete;

    bool Init();     // opens SDL's audio device; logs "Could not initialize BASS" on failure
    void Shutdown(); // safe after a failed Init and more than once
    // Init on a stand-in device for tests: no thread, no sound card; its time is `clock`'s,
    // which must outlive the engine and every stream opened on it. Nothing plays until
    // PlayStandIn, which plays every device buffer due by the clock, on this thread, as a
    // device whose callbacks come exactly on time.
    bool InitStandIn(const CStandInClock& clock);
    void PlayStandIn();
    // All a listener heard of the stand-in device since the last call: interleaved stereo at
    // the output rate, silence included, from `*heardFromNs` on (when given); empty on SDL's
    // device.
    std::vector<int16_t> TakeStandInPlayed(int64_t* heardFromNs = nullptr);
    // The stand-in device goes away in that way; the next `refusals` opens of it fail.
    void UnplugStandIn(korvane::backend::CStandInDevice::EOutage outage, int refusals);
    // Once per frame of every scene, paused or not: a sound device that went away is found and
    // opened again (COutput::CheckDevice).
    void CheckDevice();
    // The output the engine plays on; null before Init and after Shutdown.
    korvane::backend::COutput* GetOutput() { return Output.get(); }

    // The player's "AudioOffset": milliseconds by which the sound reaches the ears later than
    // the device plays it (wireless headphones); positive makes every heard position earlier.
    static constexpr int32_t AudioOffsetLimitMs = 2000;
    static int32_t ClampAudioOffset(int32_t milliseconds); // into -limit..limit
    static int32_t StoredAudioOffset();        // from the settings file, brought into range
    void SetAudioOffset(int32_t milliseconds); // for every stream, at once

    bool OpenForAnalysis(const std::string& path);
    // The song the analysis last refused to open, once (then ""): the browser tells the player.
    std::string TakeRefusedSong() { return std::exchange(RefusedSong, std::string()); }
    void CloseAnalysis();
    bool OpenMusic(const std::string& path);
    void CloseMusic();
    CAudioFile* GetMusic() { return &MusicStream; }
    void PlayMusic() { MusicStream.Play(); }
    void PauseMusic() { MusicStream.Pause(); }
    void ResumeMusic() { MusicStream.Resume(); }
    void StopMusic() { MusicStream.Stop(); }
    CAudioMap* GetAudioMap() { return Analysis.GetMap(); }
    // The song analysis, driven one step at a time by the loading screen.
    CSongAnalysis& GetAnalysis() { return Analysis; }
    const CSongAnalysis& GetAnalysis() const { return Analysis; }

private:
    bool Start(std::unique_ptr<korvane::backend::CDevice> device); // the output, then the rest

    CSongAnalysis Analysis;
    CAudioFile MusicStream;
    bool SdlAudioUp = false; // the SDL audio subsystem is ours to quit
    std::unique_ptr<korvane::backend::COutput> Output;
    korvane::backend::CStandInDevice* StandIn = nullptr; // the output's device, when a stand-in
    std::string RefusedSong;
};
