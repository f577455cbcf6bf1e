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
    // The device clock counts on the buffer size the device granted: it plays one while the
    // mixer fills the next.
    PlayClock.Start(Device->GrantedFrames(), OutputRate, Source.NowNs());
    LossLogged = Reopened = ReopenFailed = false;
    Opened = true;
    Device->Start(*this);
    return true;
}

void COutput::Close()
{
    if (!Opened)
        return;
    Device->Close();
    PlayClock.Gone(Source.NowNs());
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
    const int64_t first = PlayClock.Callback(nowNs, frames);
    if (first < 0)
    {
        // Away: silence until the device plays steadily again.
        std::fill_n(out, frames * OutputChannels, int16_t(0));
        return;
    }
    auto handed = uint64_t(first);
    const int outages = PlayClock.Outages();
    bool audible = false;
    while (frames > 0)
    {
        const int n = std::min(frames, DeviceBufferFrames);
        std::fill_n(Sum.begin(), n * OutputChannels, 0);
        for (CVoice* voice : Slots)
            if (voice)
                audible |= voice->MixInto(Sum.data(), n, handed, outages);
        for (int i = 0; i < n * OutputChannels; ++i)
            out[i] = int16_t(std::clamp(Sum[size_t(i)], -32768, 32767));
        handed += uint64_t(n);
        out += n * OutputChannels;
        frames -= n;
    }
    PlayClock.Tick(handed, nowNs, audible);
}

void COutput::DeviceGone(int64_t atNs)
{
    CAudioLock lock(this);
    PlayClock.Gone(atNs);
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
    bool away = false, dead = false, silent = false, ever = false;
    {
        CAudioLock lock(this);
        PlayClock.Notice(now);
        away = PlayClock.IsAway();
        dead = PlayClock.IsDead();
        silent = PlayClock.SilentFor(now, ReturnWithinNs);
        ever = PlayClock.Outages() > 0;
    }
    if (away != LossLogged)
        Log(away ? "The audio device stopped playing; the game goes on without sound\n"
                 : "The audio device plays again\n");
    LossLogged = away;
    if (!away)
    {
        Reopened = false;
        if (ever)
            RejoinVoices(); // any still lining up after the return
        return;
    }
    const bool due = !Reopened || now - LastReopenNs >= ReopenEveryNs;
    if (due && (!Reopened || ReopenFailed || dead || silent))
    {
        Reopened = true;
        LastReopenNs = now;
        Reopen();
    }
    else if (!ReopenFailed && !dead)
        RejoinVoices(); // opened, not back yet: the rings keep up with the positions
}

void COutput::Reopen()
{
    Device->Close();
    ReopenFailed = !Device->Open();
    if (ReopenFailed)
        return; // no device yet (the server is not back): tried again later
    {
        CAudioLock lock(this);
        PlayClock.Reopened(Device->GrantedFrames(), Source.NowNs());
    }
    RejoinVoices();
    Device->Start(*this);
}

void COutput::RejoinVoices()
{
    std::vector<std::shared_ptr<CVoice>> voices;
    {
        std::lock_guard<std::mutex> lock(VoicesLock);
        voices = Voices;
    }
    for (const auto& voice : voices)
        voice->Rejoin();
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
