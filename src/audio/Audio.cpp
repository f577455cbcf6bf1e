#include "audio/Audio.h"

#include "audio/backend/output/Output.h"
#include "audio/backend/output/SdlDevice.h"
#include "platform/Log.h"
#include "platform/Settings.h"

#include <SDL.h>

#include <algorithm>

CAudio::CAudio() = default;

CAudio::~CAudio()
{
    MusicStream.Close();
    Analysis.Close();
    // An exit path that skipped Shutdown still joins the feeder and closes the device.
    Shutdown();
}

bool CAudio::Init(const korvane::backend::FMakeDevice& makeDevice)
{
    if (makeDevice)
        return Start(makeDevice());
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0)
    {
        Log("Could not initialize BASS");
        return false;
    }
    SdlAudioUp = true;
    if (Start(std::make_unique<korvane::backend::CSdlDevice>()))
        return true;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SdlAudioUp = false;
    return false;
}

bool CAudio::Start(std::unique_ptr<korvane::backend::CDevice> device)
{
    auto output = std::make_unique<korvane::backend::COutput>(std::move(device));
    if (!output->Open())
    {
        Log("Could not initialize BASS");
        return false;
    }
    Output = std::move(output);
    SetAudioOffset(StoredAudioOffset());
    Analysis.CreateMap();
    return true;
}

void CAudio::CheckDevice()
{
    if (Output)
        Output->CheckDevice();
}

int32_t CAudio::ClampAudioOffset(int32_t milliseconds)
{
    return std::clamp(milliseconds, -AudioOffsetLimitMs, AudioOffsetLimitMs);
}

int32_t CAudio::StoredAudioOffset()
{
    const int32_t wanted = Settings::AudioOffsetMs();
    const int32_t used = ClampAudioOffset(wanted);
    if (used != wanted)
        Log("AudioOffset %d ms is out of range; using %d ms\n", int(wanted), int(used));
    return used;
}

void CAudio::SetAudioOffset(int32_t milliseconds)
{
    if (Output)
        Output->SetExtraLatencyMs(ClampAudioOffset(milliseconds));
}

void CAudio::Shutdown()
{
    Analysis.FreeMap();
    // Streams still open stay valid objects but fall silent.
    Output.reset();
    if (SdlAudioUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SdlAudioUp = false;
}

bool CAudio::OpenForAnalysis(const std::string& path)
{
    if (!Analysis.Open(path))
    {
        RefusedSong = path;
        return false;
    }
    RefusedSong.clear();
    return true;
}

void CAudio::CloseAnalysis()
{
    Analysis.Close();
}

bool CAudio::OpenMusic(const std::string& path)
{
    SetAudioOffset(StoredAudioOffset()); // read for each song: a player tunes it between songs
    return MusicStream.Open(*this, path);
}

void CAudio::CloseMusic()
{
    MusicStream.Close();
}
