#include "platform/ReadWorker.h"

#include "platform/DetachedWork.h"
#include "platform/Log.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

struct CReadWorker::SState
{
    FIdle Idle;
    std::mutex Lock;
    std::condition_variable Wake;
    std::deque<SJob> Jobs;
    std::vector<std::pair<std::string, FAnswer>> Answers; // key, answer
    std::string Reading;     // the key the taking thread reads now, empty when it waits
    uint64_t Generation = 0; // one more at each Abandon: older answers are dropped
    uint64_t Taker = 0;      // the thread that takes jobs; others end after their read
    uint64_t NextId = 1;
    int Threads = 0;
    int Counted = 0; // what this worker has counted as pending work
    bool Stopped = false;

    // With the lock held: the game's count of pending work follows the jobs waiting and the
    // read whose answer is awaited.
    void Recount()
    {
        const int now = int(Jobs.size()) + (Reading.empty() ? 0 : 1);
        DetachedWork::AddPending(now - std::exchange(Counted, now));
    }
};

CReadWorker::CReadWorker(FIdle idle) : State(std::make_shared<SState>())
{
    State->Idle = std::move(idle);
}

CReadWorker::~CReadWorker()
{
    const std::lock_guard<std::mutex> hold(State->Lock);
    State->Stopped = true;
    State->Jobs.clear();
    State->Answers.clear();
    State->Reading.clear(); // its answer is no longer awaited
    State->Recount();
    State->Wake.notify_all();
}

void CReadWorker::StartThread()
{
    const uint64_t id = State->NextId++;
    try
    {
        std::thread(Work, State, id).detach();
    }
    catch (const std::exception& error)
    {
        Log("Could not start a thread to read files (%s)\n", error.what());
        return;
    }
    ++State->Threads;
    State->Taker = id;
}

void CReadWorker::Ask(std::vector<SJob> jobs)
{
    const std::lock_guard<std::mutex> hold(State->Lock);
    auto answered = [&](const SJob& job)
    {
        return job.Key == State->Reading ||
               std::any_of(State->Answers.begin(), State->Answers.end(),
                           [&](const auto& answer) { return answer.first == job.Key; });
    };
    std::erase_if(jobs, answered);
    std::erase_if(State->Jobs, [](const SJob& job) { return !job.Kept; });
    State->Jobs.insert(State->Jobs.end(), std::make_move_iterator(jobs.begin()),
                       std::make_move_iterator(jobs.end()));
    State->Recount();
    if (State->Jobs.empty())
        return;
    if (State->Threads == 0)
        StartThread();
    State->Wake.notify_all();
}

void CReadWorker::Abandon()
{
    const std::lock_guard<std::mutex> hold(State->Lock);
    ++State->Generation;
    State->Jobs.clear();
    State->Answers.clear();
    // The read under way may never end: the next jobs go to a thread of their own.
    if (!State->Reading.empty() && State->Threads < MaxThreads)
    {
        State->Reading.clear();
        StartThread();
    }
    State->Recount();
}

size_t CReadWorker::TakeAnswers()
{
    std::vector<std::pair<std::string, FAnswer>> answers;
    {
        const std::lock_guard<std::mutex> hold(State->Lock);
        answers.swap(State->Answers);
    }
    for (const auto& answer : answers)
        if (answer.second)
            answer.second();
    return answers.size();
}

void CReadWorker::Work(const std::shared_ptr<SState>& shared, uint64_t id)
{
    const std::shared_ptr<SState> state = shared; // keeps the state while this thread lives
    SState& s = *state;
    auto idle = [&](std::unique_lock<std::mutex>& lock, bool going)
    {
        lock.unlock();
        {
            const DetachedWork::CRunning running;
            s.Idle(going);
        }
        lock.lock();
    };
    std::unique_lock<std::mutex> lock(s.Lock);
    bool readSinceIdle = false;
    for (;;)
    {
        s.Wake.wait(lock, [&] { return s.Stopped || s.Taker != id || !s.Jobs.empty(); });
        if (s.Stopped || s.Taker != id)
            break;
        SJob job = std::move(s.Jobs.front());
        s.Jobs.pop_front();
        const uint64_t generation = s.Generation;
        s.Reading = job.Key;
        s.Recount();
        lock.unlock();
        FAnswer answer;
        {
            const DetachedWork::CRunning running;
            try
            {
                answer = job.Read();
            }
            catch (const std::exception& error)
            {
                Log("Could not read %s (%s)\n", job.Key.c_str(), error.what());
            }
        }
        readSinceIdle = true;
        lock.lock();
        if (s.Taker == id)
            s.Reading.clear();
        if (generation == s.Generation && !s.Stopped)
            s.Answers.emplace_back(job.Key, std::move(answer));
        s.Recount();
        if (s.Jobs.empty() && s.Idle && std::exchange(readSinceIdle, false))
            idle(lock, false);
    }
    // The last word: what was read is kept when the worker goes mid-way too.
    if (s.Stopped && s.Idle)
        idle(lock, true);
    --s.Threads;
}
