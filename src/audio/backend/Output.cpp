#include "audio/backend/Output.h"

#include "audio/backend/Voice.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <thread>
#include <vector>

namespace korvane::backend::Output
{
namespace
{
constexpr int MaxVoices = 32;
constexpr int MixFrames = 1024;

struct SDevice
{
    bool IsOpen = false;
    int BufferFrames = 0;
    // Read by the callback; changed by the main thread under the audio lock.
    std::array<CVoice*, MaxVoices> Slots{};
    std::array<int32_t, MixFrames * 2> Mix{};
    // The feeder's list; main thread and feeder under VoicesLock.
    std::mutex VoicesLock;
    std::vector<std::shared_ptr<CVoice>> Voices;
    std::condition_variable Wake;
    bool Running = false;
    std::thread Feeder;
};

SDevice Device;

void MixCallback(void*, Uint8* stream, int len)
{
    auto* out = reinterpret_cast<int16_t*>(stream);
    int frames = len / 4;
    while (frames > 0)
    {
        const int n = std::min(frames, MixFrames);
        std::fill_n(Device.Mix.begin(), n * 2, 0);
        const int64_t now = MonotonicNs();
        for (CVoice* voice : Device.Slots)
            if (voice)
                voice->MixInto(Device.Mix.data(), n, now);
        for (int i = 0; i < n * 2; ++i)
            out[i] = int16_t(std::clamp(Device.Mix[size_t(i)], -32768, 32767));
        out += n * 2;
        frames -= n;
    }
}

void FeederLoop()
{
    std::vector<std::shared_ptr<CVoice>> snapshot;
    std::unique_lock<std::mutex> lock(Device.VoicesLock);
    while (Device.Running)
    {
        snapshot = Device.Voices;
        lock.unlock();
        bool worked = false;
        for (const auto& voice : snapshot)
            worked |= voice->Feed();
        snapshot.clear(); // a detached voice may end its life here, never in the callback
        lock.lock();
        if (!worked && Device.Running)
            Device.Wake.wait_for(lock, std::chrono::milliseconds(5));
    }
}
} // namespace

bool Open()
{
    if (Device.IsOpen)
        return true;
    SDL_AudioSpec desired{};
    desired.freq = CVoice::OutputRate;
    desired.format = AUDIO_S16SYS;
    desired.channels = 2;
    desired.samples = 1024;
    desired.callback = MixCallback;
    // No "obtained" spec: SDL converts to the device's own format, we always mix this one.
    if (SDL_OpenAudio(&desired, nullptr) < 0)
        return false;
    Device.BufferFrames = desired.samples;
    Device.IsOpen = true;
    {
        std::lock_guard<std::mutex> lock(Device.VoicesLock);
        Device.Running = true;
    }
    Device.Feeder = std::thread(FeederLoop);
    SDL_PauseAudio(0);
    return true;
}

void Close()
{
    if (!Device.IsOpen)
        return;
    {
        std::lock_guard<std::mutex> lock(Device.VoicesLock);
        Device.Running = false;
    }
    Device.Wake.notify_all();
    Device.Feeder.join();
    SDL_CloseAudio();
    for (const auto& voice : Device.Voices)
        voice->Detach();
    Device.Voices.clear();
    Device.Slots.fill(nullptr);
    Device.IsOpen = false;
    Device.BufferFrames = 0;
}

bool IsOpen()
{
    return Device.IsOpen;
}

int BufferFrames()
{
    return Device.BufferFrames;
}

bool Attach(const std::shared_ptr<CVoice>& voice)
{
    if (!Device.IsOpen)
        return false;
    {
        SDL_LockAudio();
        auto slot = std::find(Device.Slots.begin(), Device.Slots.end(), nullptr);
        const bool room = slot != Device.Slots.end();
        if (room)
            *slot = voice.get();
        SDL_UnlockAudio();
        if (!room)
            return false;
    }
    {
        std::lock_guard<std::mutex> lock(Device.VoicesLock);
        Device.Voices.push_back(voice);
    }
    Device.Wake.notify_all();
    return true;
}

void Detach(const std::shared_ptr<CVoice>& voice)
{
    SDL_LockAudio();
    std::replace(Device.Slots.begin(), Device.Slots.end(), voice.get(),
                 static_cast<CVoice*>(nullptr));
    SDL_UnlockAudio();
    std::lock_guard<std::mutex> lock(Device.VoicesLock);
    std::erase(Device.Voices, voice);
}

} // namespace korvane::backend::Output
