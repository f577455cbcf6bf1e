#include "audio/backend/output/Output.h"

#include "audio/backend/output/Device.h"
#include "audio/backend/output/Voice.h"
#include "platform/Log.h"

#include <algorithm>

namespace korvane::backend
{

COutput::COutput(std::unique_ptr<CDevice> device)
    : Device(std::move(device)), Source(Device->Time())
{
}

COutput::~COutput()
{
    Close();
}

bool COutput::Open()
{
    if (Opened)
        return true;
    if (!Device->Open())
        return false;
    Handed = 0;
    // The device clock counts on the buffer size the device granted: it plays one while the
    // mixer fills the next.
    PlayClock.Start(Device->GrantedFrames(), OutputRate, Source.NowNs());
    LossLogged = false;
    Opened = true;
    Device->Start(*this);
    return true;
}

void COutput::Close()
{
    if (!Opened)
        return;
    Device->Close();
    PlayClock.Close(Source.NowNs());
    std::vector<std::shared_ptr<CVoice>> voices;
    {
        std::lock_guard<std::mutex> lock(VoicesLock);
        voices.swap(Voices);
    }
    for (const auto& voice : voices)
        voice->Detach();
    Slots.fill(nullptr);
    Opened = false;
}

void COutput::Lock()
{
    Device->Lock();
}

void COutput::Unlock()
{
    Device->Unlock();
}

void COutput::Mix(int16_t* out, int frames, int64_t nowNs)
{
    if (!PlayClock.Callback(nowNs))
    {
        // Back after counting as lost: silence until the main thread has the voices rejoin.
        std::fill_n(out, frames * OutputChannels, int16_t(0));
        return;
    }
    bool audible = false;
    while (frames > 0)
    {
        const int n = std::min(frames, DeviceBufferFrames);
        std::fill_n(Sum.begin(), n * OutputChannels, 0);
        for (CVoice* voice : Slots)
            if (voice)
                audible |= voice->MixInto(Sum.data(), n, Handed);
        for (int i = 0; i < n * OutputChannels; ++i)
            out[i] = int16_t(std::clamp(Sum[size_t(i)], -32768, 32767));
        Handed += uint64_t(n);
        out += n * OutputChannels;
        frames -= n;
    }
    PlayClock.Tick(Handed, nowNs, audible);
}

bool COutput::FeedVoices()
{
    std::vector<std::shared_ptr<CVoice>> voices;
    {
        std::lock_guard<std::mutex> lock(VoicesLock);
        voices = Voices;
    }
    bool worked = false;
    for (const auto& voice : voices)
        worked |= voice->Feed();
    return worked; // a voice detached meanwhile may end its life here, never in Mix
}

int COutput::BufferFrames()
{
    if (!Opened)
        return 0;
    CAudioLock lock(this);
    return int(PlayClock.HeldFrames());
}

void COutput::CheckDevice()
{
    if (!Opened)
        return;
    const int64_t now = Source.NowNs();
    bool lost = false, back = false;
    {
        CAudioLock lock(this);
        lost = PlayClock.LostAt(now);
        back = PlayClock.CallsBackAfterLoss(now);
    }
    if (lost && !LossLogged)
        Log("The audio device stopped playing; the game goes on without sound\n");
    if (!lost)
        Reopened = false;
    LossLogged = lost;
    if (back)
        PlaysAgain();
    else if (lost && (!Reopened || now - LastReopenNs >= ReopenEveryNs))
    {
        Reopened = true;
        LastReopenNs = now;
        Reopen();
    }
}

void COutput::Reopen()
{
    Device->Close();
    if (!Device->Open())
        return; // no device yet (the server is not back): tried again later
    PlaysAgain();
    Device->Start(*this);
}

void COutput::PlaysAgain()
{
    std::vector<std::shared_ptr<CVoice>> voices;
    {
        std::lock_guard<std::mutex> lock(VoicesLock);
        voices = Voices;
    }
    for (const auto& voice : voices)
        voice->Rejoin();
    {
        CAudioLock lock(this);
        Handed = 0;
        PlayClock.Start(Device->GrantedFrames(), OutputRate, Source.NowNs());
    }
    LossLogged = false;
    Reopened = false;
    Log("The audio device plays again\n");
}

void COutput::SetExtraLatencyMs(int milliseconds)
{
    CAudioLock lock(this);
    PlayClock.SetExtraLatencyFrames(int64_t(milliseconds) * OutputRate / 1000);
}

int64_t COutput::ExtraLatencyFrames()
{
    CAudioLock lock(this);
    return PlayClock.ExtraLatencyFrames();
}

bool COutput::Attach(const std::shared_ptr<CVoice>& voice)
{
    if (!Opened)
        return false;
    {
        CAudioLock lock(this);
        auto slot = std::find(Slots.begin(), Slots.end(), nullptr);
        if (slot == Slots.end())
            return false;
        *slot = voice.get();
    }
    {
        std::lock_guard<std::mutex> lock(VoicesLock);
        Voices.push_back(voice);
    }
    Device->VoicesChanged();
    return true;
}

void COutput::Detach(const std::shared_ptr<CVoice>& voice)
{
    {
        CAudioLock lock(this);
        std::replace(Slots.begin(), Slots.end(), voice.get(), static_cast<CVoice*>(nullptr));
    }
    std::lock_guard<std::mutex> lock(VoicesLock);
    std::erase(Voices, voice);
}

} // namespace korvane::backend
