#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>

namespace korvane::backend
{
class COutput;

// The thread that keeps every voice's ring filled ahead of SDL's audio callback, so decoding,
// resampling and file reads never happen in the callback. It feeds while any voice has room and
// then waits for a wake-up, or 5 ms at most.
// Threads: Start and Stop on the main thread; Wake from any.
class CFeeder
{
public:
    CFeeder() = default;
    ~CFeeder() { Stop(); }
    CFeeder(const CFeeder&) = delete;
    CFeeder& operator=(const CFeeder&) = delete;

    void Start(COutput& output);
    void Stop(); // once it returns, the thread has ended
    void Wake(); // a voice came in: feed at once

private:
    void Loop(COutput& output);

    std::mutex Lock;
    std::condition_variable Woken;
    bool Running = false; // under Lock
    bool Poked = false;   // under Lock
    std::thread Thread;
};

} // namespace korvane::backend
