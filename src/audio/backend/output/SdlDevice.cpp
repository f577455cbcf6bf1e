#include "audio/backend/output/SdlDevice.h"

#include "audio/backend/output/Output.h"

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <string_view>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace korvane::backend
{
namespace
{
void IgnoreSignal(int) {}
} // namespace

bool CSdlDevice::Open()
{
    if (IsOpen)
        return true;
    SDL_AudioSpec wanted{};
    wanted.freq = OutputRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = OutputChannels;
    wanted.samples = DeviceBufferFrames;
    wanted.callback = Callback;
    wanted.userdata = this;
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
    Granted = std::max<int>(granted.samples, 1);
    IsOpen = true;
    return true;
}

void CSdlDevice::Start(COutput& output)
{
    Target = &output;
    Feeder.Start(output);
    WatchServer();
    SDL_PauseAudio(0);
}

void CSdlDevice::Close()
{
    if (!IsOpen)
        return;
    Feeder.Stop();
    Server.Stop();
    CloseNudged();
    Target = nullptr;
    IsOpen = false;
}

void CSdlDevice::Callback(void* self, Uint8* stream, int len)
{
    auto* device = static_cast<CSdlDevice*>(self);
    if (device->CallbackThread.load(std::memory_order_relaxed) == 0)
        device->CallbackThread = pid_t(syscall(SYS_gettid));
    COutput& output = *device->Target;
    output.Mix(reinterpret_cast<int16_t*>(stream), len / (2 * OutputChannels),
               output.Time().NowNs());
}

void CSdlDevice::WatchServer()
{
    char driver[32] = {};
    if (!SDL_AudioDriverName(driver, sizeof driver) || std::string_view(driver) != "pulseaudio")
        return;
    COutput& output = *Target;
    Server.Start(
        [&output](const CPulseWatch::SAnswer& answer)
        {
            if (answer.Gone)
            {
                output.DeviceGone(output.Time().NowNs()); // opened again by the output
                return;
            }
            CAudioLock lock(&output);
            output.Clock().Report(output.Time().NowNs(), answer.LatencyFrames(OutputRate),
                                  answer.Holding);
        });
}

// SDL's close waits for its audio thread, and one stuck in a write (a sound server that hangs,
// a pipe nobody reads) would keep it waiting forever. After a short grace a signal without
// SA_RESTART ends that write with EINTR, which SDL takes for a lost device; it is repeated
// until the close is through. The handler stays: a signal still on its way must not kill us.
void CSdlDevice::CloseNudged()
{
    const pid_t thread = CallbackThread.exchange(0);
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

} // namespace korvane::backend
