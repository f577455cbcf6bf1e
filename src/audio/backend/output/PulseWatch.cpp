#include "audio/backend/output/PulseWatch.h"

#include <pulse/pulseaudio.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace korvane::backend
{
namespace
{
constexpr pa_usec_t AskEveryUs = 100'000;

// The property libpulse sets on every stream of a client, SDL's included.
bool IsOurs(const pa_sink_input_info& info)
{
    const char* pid = pa_proplist_gets(info.proplist, PA_PROP_APPLICATION_PROCESS_ID);
    return pid && std::strtol(pid, nullptr, 10) == long(getpid());
}
} // namespace

CPulseWatch::SAnswer CPulseWatch::StreamAnswer(uint64_t bufferUs, uint64_t sinkUs, bool corked)
{
    return {int64_t(bufferUs + sinkUs), corked || bufferUs > 0};
}

CPulseWatch::~CPulseWatch()
{
    Stop();
}

bool CPulseWatch::Start(FReport report)
{
    Stop();
    Report = std::move(report);
    Loop = pa_threaded_mainloop_new();
    if (!Loop)
        return false;
    Context = pa_context_new(pa_threaded_mainloop_get_api(Loop), "Korvane Zaduza latency");
    if (!Context)
    {
        Stop();
        return false;
    }
    pa_context_set_state_callback(Context, OnState, this);
    // The server SDL plays on, found the same way; never one started for us.
    if (pa_context_connect(Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(Loop) < 0)
    {
        Stop();
        return false;
    }
    return true;
}

void CPulseWatch::Stop()
{
    if (!Loop)
        return;
    pa_threaded_mainloop_lock(Loop);
    if (Context)
        pa_context_set_state_callback(Context, nullptr, nullptr); // our own leaving is no news
    if (Timer)
        pa_threaded_mainloop_get_api(Loop)->time_free(Timer);
    Timer = nullptr;
    if (Context)
    {
        pa_context_disconnect(Context);
        pa_context_unref(Context);
    }
    Context = nullptr;
    pa_threaded_mainloop_unlock(Loop);
    pa_threaded_mainloop_stop(Loop);
    pa_threaded_mainloop_free(Loop);
    Loop = nullptr;
    Asking = Seen = false;
}

void CPulseWatch::OnState(pa_context* context, void* self)
{
    auto* watch = static_cast<CPulseWatch*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY && !watch->Timer)
        watch->Timer = pa_context_rttime_new(context, pa_rtclock_now(), OnTimer, watch);
    // A server that was there and went away; one never reached tells nothing about SDL's.
    if (state == PA_CONTEXT_FAILED && watch->Timer)
    {
        SAnswer gone;
        gone.Gone = true;
        watch->Report(gone);
    }
}

void CPulseWatch::OnTimer(pa_mainloop_api*, pa_time_event* event, const timeval*, void* self)
{
    auto* watch = static_cast<CPulseWatch*>(self);
    pa_context_rttime_restart(watch->Context, event, pa_rtclock_now() + AskEveryUs);
    if (watch->Asking || pa_context_get_state(watch->Context) != PA_CONTEXT_READY)
        return;
    pa_operation* asked = pa_context_get_sink_input_info_list(watch->Context, OnStream, watch);
    if (!asked)
        return;
    pa_operation_unref(asked);
    watch->Asking = true;
    watch->Found = false;
}

void CPulseWatch::OnStream(pa_context* context, const pa_sink_input_info* info, int last,
                           void* self)
{
    auto* watch = static_cast<CPulseWatch*>(self);
    if (last == 0)
    {
        // The newest of ours, should SDL have opened the device again.
        if (IsOurs(*info) && (!watch->Found || info->index > watch->StreamIndex))
        {
            watch->Found = true;
            watch->StreamIndex = info->index;
            watch->SinkIndex = info->sink;
            watch->Answer = StreamAnswer(info->buffer_usec, info->sink_usec, info->corked);
        }
        return;
    }
    pa_operation* asked =
        watch->Found ? pa_context_get_sink_info_by_index(context, watch->SinkIndex, OnSink, watch)
                     : nullptr;
    if (asked)
        pa_operation_unref(asked);
    else
        watch->Asking = false;
    if (watch->Seen && !watch->Found && last > 0)
    {
        SAnswer gone;
        gone.Gone = true;
        watch->Report(gone);
    }
    watch->Seen |= watch->Found;
}

void CPulseWatch::OnSink(pa_context*, const pa_sink_info* info, int last, void* self)
{
    auto* watch = static_cast<CPulseWatch*>(self);
    if (last == 0)
    {
        watch->Answer.Holding |= info->state == PA_SINK_SUSPENDED;
        return;
    }
    watch->Asking = false;
    if (last > 0)
        watch->Report(watch->Answer);
}

} // namespace korvane::backend
