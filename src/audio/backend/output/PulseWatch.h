#pragma once
#include <cstdint>
#include <functional>

struct pa_context;
struct pa_mainloop_api;
struct pa_sink_info;
struct pa_sink_input_info;
struct pa_threaded_mainloop;
struct pa_time_event;
struct timeval;

namespace korvane::backend
{

// Asks a PulseAudio server (PipeWire's too) ten times a second about this process's playback
// stream, which SDL opened and says nothing about: how long what the server holds of ours
// takes to be heard, and whether it holds it on purpose (the stream corked, its sink
// suspended) or still has some queued, which tells a pause from a stalled device; and when the
// server or our stream goes away, which SDL takes for a lost device without a word.
// Threads: Start and Stop on one thread; the report runs on the watch's own thread, with no
// lock of ours held.
class CPulseWatch
{
public:
    struct SAnswer
    {
        int64_t LatencyUs = 0; // queued in the stream plus the sink's own; 0 when not told
        bool Holding = false;
        bool Gone = false; // the server, or our stream on it, went away
        int64_t LatencyFrames(int rate) const { return LatencyUs * rate / 1'000'000; }
    };
    // What the server says of our stream: `bufferUs` of it still queued there, `sinkUs` more
    // in the sink. Held on purpose while corked, and vouched for while anything is queued.
    static SAnswer StreamAnswer(uint64_t bufferUs, uint64_t sinkUs, bool corked);
    using FReport = std::function<void(const SAnswer&)>;

    CPulseWatch() = default;
    CPulseWatch(const CPulseWatch&) = delete;
    CPulseWatch& operator=(const CPulseWatch&) = delete;
    virtual ~CPulseWatch();

    // False when the watch could not be set up; a server that cannot be reached only never
    // answers.
    bool Start(FReport report);
    void Stop();

private:
    static void OnState(pa_context* context, void* self);
    static void OnTimer(pa_mainloop_api* api, pa_time_event* event, const timeval* tv, void* self);
    static void OnStream(pa_context* context, const pa_sink_input_info* info, int last, void* self);
    static void OnSink(pa_context* context, const pa_sink_info* info, int last, void* self);

    FReport Report;
    pa_threaded_mainloop* Loop = nullptr;
    pa_context* Context = nullptr;
    pa_time_event* Timer = nullptr;
    // The watch's thread only: the question being answered.
    bool Asking = false;
    bool Found = false;
    bool Seen = false; // our stream, in an earlier answer
    uint32_t StreamIndex = 0;
    uint32_t SinkIndex = 0;
    SAnswer Answer;
};

} // namespace korvane::backend
