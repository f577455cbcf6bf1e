#include "audio/backend/output/Output.h"

#include "audio/backend/output/DeviceClock.h"
#include "audio/backend/output/PulseWatch.h"
#include "audio/backend/output/Voice.h"
#include "platform/Log.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <string_view>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace korvane::backend::Output
{
namespace
{
constexpr int MaxVoices = 32;
constexpr int MixFrames = 1024;

struct SDevice
{
    // An exit that skips Close must not leave the feeder joinable (std::terminate) nor the
    // callback mixing voices that are being destroyed.
    ~SDevice();

    bool IsOpen = false;
    // Read by the callback; changed by the main thread under the audio lock.
    std::array<CVoice*, MaxVoices> Slots{};
    std::array<int32_t, MixFrames * 2> Mix{};
    uint64_t Handed = 0; // output frames handed to the device since it opened
    CDeviceClock Clock;
    int GrantedFrames = 1;
    CPulseWatch Server;                   // started only when SDL plays through a PulseAudio server
    bool LossLogged = false;              // main thread
    std::atomic<pid_t> CallbackThread{0}; // SDL's audio thread, once it has called back
    // The feeder's list; main thread and feeder under VoicesLock.
    std::mutex VoicesLock;
    std::vector<std::shared_ptr<CVoice>> Voices;
    std::condition_variable Wake;
    bool Running = false;
    std::thread Feeder;
};

SDevice Device;

SDevice::~SDevice()
{
    Close();
}

void MixCallback(void*, Uint8* stream, int len)
{
    const int64_t now = MonotonicNs();
    if (Device.CallbackThread.load(std::memory_order_relaxed) == 0)
        Device.CallbackThread = pid_t(syscall(SYS_gettid));
    if (!Device.Clock.Callback(now))
    {
        // Back after counting as lost: silence until the main thread has the voices rejoin.
        std::fill_n(stream, len, Uint8(0));
        return;
    }
    auto* out = reinterpret_cast<int16_t*>(stream);
    int frames = len / 4;
    bool audible = false;
    while (frames > 0)
    {
        const int n = std::min(frames, MixFrames);
        std::fill_n(Device.Mix.begin(), n * 2, 0);
        for (CVoice* voice : Device.Slots)
            if (voice)
                audible |= voice->MixInto(Device.Mix.data(), n, Device.Handed);
        for (int i = 0; i < n * 2; ++i)
            out[i] = int16_t(std::clamp(Device.Mix[size_t(i)], -32768, 32767));
        Device.Handed += uint64_t(n);
        out += n * 2;
        frames -= n;
    }
    Device.Clock.Tick(Device.Handed, now, audible);
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
void IgnoreSignal(int) {}

// SDL's close waits for its audio thread, and one stuck in a write (a sound server that hangs,
// a pipe nobody reads) would keep it waiting forever. After a short grace a signal without
// SA_RESTART ends that write with EINTR, which SDL takes for a lost device; it is repeated
// until the close is through. The handler stays: a signal still on its way must not kill us.
void CloseDevice()
{
    const pid_t thread = Device.CallbackThread.exchange(0);
    struct sigaction action
    {
    };
    action.sa_handler = IgnoreSignal;
    sigemptyset(&action.sa_mask);
    if (thread == 0 || sigaction(SIGRTMIN, &action, nullptr) != 0)
    {
        SDL_CloseAudio();
        return;
    }
    std::mutex lock;
    std::condition_variable changed;
    bool closed = false;
    std::thread nudger(
        [&]
        {
            std::unique_lock<std::mutex> guard(lock);
            for (auto wait = std::chrono::milliseconds(200);
                 !changed.wait_for(guard, wait, [&] { return closed; });
                 wait = std::chrono::milliseconds(20))
                syscall(SYS_tgkill, getpid(), thread, SIGRTMIN);
        });
    SDL_CloseAudio();
    {
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
    }
    changed.notify_all();
    nudger.join();
}

void WatchServer()
{
    char driver[32] = {};
    if (!SDL_AudioDriverName(driver, sizeof driver) || std::string_view(driver) != "pulseaudio")
        return;
    Device.Server.Start(
        [](const CPulseWatch::SAnswer& answer)
        {
            SDL_LockAudio();
            Device.Clock.Report(MonotonicNs(), answer.LatencyFrames(CVoice::OutputRate),
                                answer.Holding);
            SDL_UnlockAudio();
        });
}
} // namespace

bool Open()
{
    if (Device.IsOpen)
        return true;
    SDL_AudioSpec wanted{};
    wanted.freq = CVoice::OutputRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = MixCallback;
    // The device clock counts on the buffer size SDL grants: it plays one while we fill the next.
    SDL_AudioSpec granted{};
    // A sound server or a pipe that goes away ends the device, not the game.
    std::signal(SIGPIPE, SIG_IGN);
    if (SDL_OpenAudio(&wanted, &granted) < 0)
        return false;
    if (granted.freq != wanted.freq || granted.format != wanted.format ||
        granted.channels != wanted.channels)
    {
        // We mix one format only; asked for no other, SDL converts to the device's own.
        SDL_CloseAudio();
        if (SDL_OpenAudio(&wanted, nullptr) < 0)
            return false;
        granted = wanted;
    }
    Device.Handed = 0;
    Device.GrantedFrames = std::max<int>(granted.samples, 1);
    Device.Clock.Start(Device.GrantedFrames, CVoice::OutputRate, MonotonicNs());
    Device.LossLogged = false;
    Device.IsOpen = true;
    {
        std::lock_guard<std::mutex> lock(Device.VoicesLock);
        Device.Running = true;
    }
    Device.Feeder = std::thread(FeederLoop);
    WatchServer();
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
    Device.Server.Stop();
    CloseDevice();
    Device.Clock.Close(MonotonicNs());
    for (const auto& voice : Device.Voices)
        voice->Detach();
    Device.Voices.clear();
    Device.Slots.fill(nullptr);
    Device.IsOpen = false;
}

bool IsOpen()
{
    return Device.IsOpen;
}

int BufferFrames()
{
    if (!Device.IsOpen)
        return 0;
    SDL_LockAudio();
    const int frames = int(Device.Clock.HeldFrames());
    SDL_UnlockAudio();
    return frames;
}

void CheckDevice()
{
    if (!Device.IsOpen)
        return;
    SDL_LockAudio();
    const int64_t now = MonotonicNs();
    const bool lost = Device.Clock.LostAt(now);
    const bool back = Device.Clock.CallsBackAfterLoss(now);
    SDL_UnlockAudio();
    if (lost && !Device.LossLogged)
        Log("The audio device stopped playing; the game goes on without sound\n");
    Device.LossLogged = lost;
    if (!back)
        return;
    // The voices go on from what is heard now on a fresh device clock, as after an open.
    std::vector<std::shared_ptr<CVoice>> voices;
    {
        std::lock_guard<std::mutex> lock(Device.VoicesLock);
        voices = Device.Voices;
    }
    for (const auto& voice : voices)
        voice->Rejoin();
    SDL_LockAudio();
    Device.Handed = 0;
    Device.Clock.Start(Device.GrantedFrames, CVoice::OutputRate, MonotonicNs());
    SDL_UnlockAudio();
    Device.LossLogged = false;
    Log("The audio device plays again\n");
}

CDeviceClock& Clock()
{
    return Device.Clock;
}

void SetExtraLatencyMs(int milliseconds)
{
    SDL_LockAudio();
    Device.Clock.SetExtraLatencyFrames(int64_t(milliseconds) * CVoice::OutputRate / 1000);
    SDL_UnlockAudio();
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
