#pragma once
#include "audio/AudioFile.h"
#include "audio/SongAnalysis.h"
#include "audio/backend/output/Device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CAudioMap;
namespace korvane::backend
{
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

    // Opens the device makeDevice makes (a test's stand-in), SDL's when it is empty; logs
    // "Could not initialize BASS" on failure.
    bool Init(const korvane::backend::FMakeDevice& makeDevice = nullptr);
    void Shutdown(); // safe after a failed Init and more than once
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
    std::string RefusedSong;
};
