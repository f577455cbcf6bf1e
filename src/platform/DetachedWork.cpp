#include "platform/DetachedWork.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace DetachedWork
{
namespace
{
constexpr auto Grace = std::chrono::seconds(2);

// Never destroyed: a detached thread may still count itself out after main has returned.
struct SCount
{
    std::mutex Lock;
    std::condition_variable Changed;
    int Running = 0;
    int Pending = 0;
};
SCount& Counted()
{
    static SCount* const count = new SCount;
    return *count;
}

void Add(int SCount::*field, int delta)
{
    SCount& count = Counted();
    const std::lock_guard<std::mutex> hold(count.Lock);
    count.*field += delta;
    count.Changed.notify_all();
}

bool AwaitZero(int SCount::*field, std::chrono::milliseconds most)
{
    SCount& count = Counted();
    std::unique_lock<std::mutex> hold(count.Lock);
    return count.Changed.wait_for(hold, most, [&] { return count.*field == 0; });
}
} // namespace

CRunning::CRunning()
{
    Add(&SCount::Running, 1);
}

CRunning::~CRunning()
{
    Add(&SCount::Running, -1);
}

int ExitCode(int code)
{
    if (AwaitZero(&SCount::Running, Grace))
        return code;
    std::fflush(nullptr);
    std::_Exit(code);
}

void AddPending(int delta)
{
    Add(&SCount::Pending, delta);
}

int Pending()
{
    SCount& count = Counted();
    const std::lock_guard<std::mutex> hold(count.Lock);
    return count.Pending;
}

bool AwaitNonePending(std::chrono::milliseconds most)
{
    return AwaitZero(&SCount::Pending, most);
}
} // namespace DetachedWork
