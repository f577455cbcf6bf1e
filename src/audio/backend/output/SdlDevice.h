#pragma once
#include "audio/backend/output/Device.h"
#include "audio/backend/output/Feeder.h"
#include "audio/backend/output/PulseWatch.h"

#include <SDL.h>

#include <atomic>
#include <sys/types.h>

namespace korvane::backend
{

// SDL's audio device, opened at the output's format: the mix runs in SDL's audio callback, the
// audio lock is SDL_LockAudio, a feeder thread keeps the voices ahead of it, and where SDL plays
// through a PulseAudio server a watch asks the server what SDL does not tell (CPulseWatch).
// The SDL audio subsystem must be initialised before Open and is left to the caller.
// Threads: as CDevice; the callback runs on SDL's audio thread, the server's answers on the
// watch's thread (both take the audio lock only through the output).
class CSdlDevice final : public CDevice
{
public:
    CSdlDevice() = default;
    ~CSdlDevice() override { Close(); }

    bool Open() override;
    int GrantedFrames() const override { return Granted; }
    void Start(COutput& output) override;
    void Close() override;
    CTimeSource Time() const override { return {}; }
    void Lock() override { SDL_LockAudio(); }
    void Unlock() override { SDL_UnlockAudio(); }
    void VoicesChanged() override { Feeder.Wake(); }

private:
    static void Callback(void* self, Uint8* stream, int len);
    void WatchServer();
    void CloseNudged();

    bool IsOpen = false;
    int Granted = 1;
    COutput* Target = nullptr;
    CFeeder Feeder;
    CPulseWatch Server;                   // started only when SDL plays through a PulseAudio server
    std::atomic<pid_t> CallbackThread{0}; // SDL's audio thread, once it has called back
};

} // namespace korvane::backend
