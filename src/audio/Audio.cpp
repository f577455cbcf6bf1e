#include "audio/Audio.h"

#include "audio/AudioMap.h"
#include "audio/Sample.h"
#include "audio/backend/Output.h"
#include "platform/Log.h"
#include "platform/Settings.h"

#include <SDL.h>

#include <algorithm>

namespace
{
// The player's "AudioOffset" in milliseconds: how much later than the device plays it the
// sound reaches the ears (wireless headphones); positive makes every position earlier.
void ApplyAudioOffset()
{
    constexpr int32_t LimitMs = 2000;
    const int32_t wanted = Settings::ReadNumber("AudioOffset");
    const int32_t used = std::clamp(wanted, -LimitMs, LimitMs);
    if (used != wanted)
        Log("AudioOffset %d ms is out of range; using %d ms\n", int(wanted), int(used));
    korvane::backend::Output::SetExtraLatencyMs(used);
}
} // namespace

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
    ApplyAudioOffset();
    AudioMap = new CAudioMap();
    BuildNoteFrequencies();
    return true;
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
    ApplyAudioOffset(); // read again for each song, so a player can tune it between songs
    return MusicStream.Open(path);
}

void CAudio::CloseMusic()
{
    MusicStream.Close();
}
