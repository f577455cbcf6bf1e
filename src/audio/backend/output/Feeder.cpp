#include "audio/backend/output/Feeder.h"

#include "audio/backend/output/Output.h"

#include <chrono>

namespace korvane::backend
{

void CFeeder::Start(COutput& output)
{
    Stop();
    Running = true;
    Thread = std::thread([this, &output] { Loop(output); });
}

void CFeeder::Stop()
{
    if (!Thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(Lock);
        Running = false;
    }
    Woken.notify_all();
    Thread.join();
}

void CFeeder::Wake()
{
    {
        std::lock_guard<std::mutex> guard(Lock);
        Poked = true;
    }
    Woken.notify_all();
}

void CFeeder::Loop(COutput& output)
{
    std::unique_lock<std::mutex> guard(Lock);
    while (Running)
    {
        guard.unlock();
        const bool worked = output.FeedVoices();
        guard.lock();
        if (!worked)
            Woken.wait_for(guard, std::chrono::milliseconds(5),
                           [this] { return Poked || !Running; });
        Poked = false;
    }
}

} // namespace korvane::backend
