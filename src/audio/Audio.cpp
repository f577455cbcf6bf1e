#include "audio/Audio.h"

#include "audio/AudioMap.h"
#include "audio/Sample.h"
#include "audio/backend/Output.h"
#include "platform/Log.h"

#include <SDL.h>

CAudio::CAudio() = default;

CAudio::~CAudio()
{
    AnalysisStream.Close();
    // Samples of an abandoned analysis are owned by the pass lists until the map takes them;
    // nobody else would free them.
    for (CSample* sample : PassOneSamples)
        delete sample;
    for (CSample* sample : PassTwoSamples)
        delete sample;
    PassOneSamples.clear();
    PassTwoSamples.clear();
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
        return false;
    BuildNoteBins();
    return true;
}

void CAudio::CloseAnalysis()
{
    AnalysisStream.Close();
}

bool CAudio::OpenMusic(const std::string& path)
{
    return MusicStream.Open(path);
}

void CAudio::CloseMusic()
{
    MusicStream.Close();
}
