#include "audio/Audio.h"

#include "audio/AudioMap.h"
#include "audio/Sample.h"
#include "audio/backend/output/Output.h"
#include "platform/Log.h"
#include "platform/Settings.h"

#include <SDL.h>

#include <algorithm>

CAudio::CAudio() = default;

CAudio::~CAudio()
{
    MusicStream.Close();
    AnalysisStream.Close();
    // Samples of an abandoned analysis are owned by the pass lists until the map takes them;
    // nobody else would free them.
    for (CSample* sample : PassOneSamples)
        delete sample;
    for (CSample* sample : PassTwoSamples)
        delete sample;
    PassOneSamples.clear();
    PassTwoSamples.clear();
    // An exit path that skipped Shutdown still joins the feeder and closes the device.
    Shutdown();
}

bool CAudio::Init()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0)
    {
        Log("Could not initialize BASS");
        return false;
    }
    if (!korvane::backend::Output::Open())
    {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        Log("Could not initialize BASS");
        return false;
    }
    OutputOpen = true;
    SetAudioOffset(StoredAudioOffset());
    AudioMap = new CAudioMap();
    BuildNoteFrequencies();
    return true;
}

int32_t CAudio::StoredAudioOffset()
{
    const int32_t wanted = Settings::ReadNumber(AudioOffsetSetting);
    const int32_t used = std::clamp(wanted, -AudioOffsetLimitMs, AudioOffsetLimitMs);
    if (used != wanted)
        Log("AudioOffset %d ms is out of range; using %d ms\n", int(wanted), int(used));
    return used;
}

void CAudio::SetAudioOffset(int32_t milliseconds)
{
    korvane::backend::Output::SetExtraLatencyMs(
        std::clamp(milliseconds, -AudioOffsetLimitMs, AudioOffsetLimitMs));
}

void CAudio::Shutdown()
{
    if (AudioMap)
    {
        delete AudioMap;
        AudioMap = nullptr;
    }
    // Streams still open stay valid objects but fall silent.
    korvane::backend::Output::Close();
    if (OutputOpen)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    OutputOpen = false;
}

bool CAudio::OpenForAnalysis(const std::string& path)
{
    if (!AnalysisStream.OpenDecoding(path))
    {
        RefusedSong = path;
        return false;
    }
    RefusedSong.clear();
    BuildNoteBins();
    return true;
}

void CAudio::CloseAnalysis()
{
    AnalysisStream.Close();
}

bool CAudio::OpenMusic(const std::string& path)
{
    SetAudioOffset(StoredAudioOffset()); // read for each song: a player tunes it between songs
    return MusicStream.Open(path);
}

void CAudio::CloseMusic()
{
    MusicStream.Close();
}
