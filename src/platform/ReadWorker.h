#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Reads files for the frame loop on a thread of its own, one job at a time in the order asked,
// so no frame waits on a disk. Asking again replaces the jobs asked and not yet begun;
// abandoning drops every job and every answer not yet taken, and never waits for the read
// under way: when that read hangs (a dead network mount), a new thread takes the next jobs, up
// to MaxThreads threads in all. Neither abandoning nor the destructor ever waits for a read.
// Thread contract: the public calls come from one thread (the main thread). A job's Read runs
// on the worker's threads, may outlive the worker while it hangs, and must touch only files
// and what it owns; the answer it returns runs on the main thread, in TakeAnswers, unless it
// was abandoned. `idle` runs on the worker's thread once the jobs asked are all read (false),
// and once more when the worker goes after reading something since (true).
class CReadWorker
{
public:
    using FAnswer = std::function<void()>;
    using FRead = std::function<FAnswer()>;
    struct SJob
    {
        std::string Key; // the file it reads: asked again while read or answered, it is dropped
        FRead Read;
        bool Kept = false; // not replaced by a later Ask
    };
    static constexpr int MaxThreads = 4;

    using FIdle = std::function<void(bool going)>;
    explicit CReadWorker(FIdle idle = {});
    virtual ~CReadWorker();
    CReadWorker(const CReadWorker&) = delete;
    CReadWorker& operator=(const CReadWorker&) = delete;

    // Nearest first.
    void Ask(std::vector<SJob> jobs);
    void Abandon();
    // Runs the answers read since the last call, in the order they were read; how many ran.
    size_t TakeAnswers();

private:
    struct SState;
    static void Work(const std::shared_ptr<SState>& state, uint64_t id);
    void StartThread(); // with the state locked

    std::shared_ptr<SState> State;
};
