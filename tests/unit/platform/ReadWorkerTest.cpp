#include "platform/ReadWorker.h"
#include "platform/DetachedWork.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
constexpr auto Bound = std::chrono::seconds(30); // only a hung worker takes this long

// Reads that each wait for the test to let them end, and the worker's idle calls counted.
class CGatedReads
{
public:
    void Read(const std::string& key)
    {
        std::unique_lock<std::mutex> hold(Lock);
        Started.push_back(key);
        Changed.notify_all();
        Changed.wait(hold, [&] { return Let.count(key) != 0; });
    }
    void Idle()
    {
        const std::lock_guard<std::mutex> hold(Lock);
        ++Idles;
        Changed.notify_all();
    }
    void LetEnd(const std::string& path)
    {
        const std::lock_guard<std::mutex> hold(Lock);
        Let.insert(path);
        Changed.notify_all();
    }
    bool AwaitStarted(size_t count)
    {
        return Await([&] { return Started.size() >= count; });
    }
    bool AwaitIdles(int count)
    {
        return Await([&] { return Idles >= count; });
    }
    std::vector<std::string> StartedPaths()
    {
        const std::lock_guard<std::mutex> hold(Lock);
        return Started;
    }

private:
    template <class F> bool Await(F done)
    {
        std::unique_lock<std::mutex> hold(Lock);
        return Changed.wait_for(hold, Bound, done);
    }
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<std::string> Started;
    std::set<std::string> Let;
    int Idles = 0;
};

class ReadWorkerTest : public ::testing::Test
{
protected:
    // Jobs reading these keys; their answers note the key on the test's thread.
    std::vector<CReadWorker::SJob> Jobs(std::initializer_list<const char*> keys)
    {
        std::vector<CReadWorker::SJob> jobs;
        for (const char* key : keys)
            jobs.push_back({key,
                            [gate = Gate, key, answered = Answered]() -> CReadWorker::FAnswer
                            {
                                gate->Read(key);
                                return [key, answered] { answered->push_back(key); };
                            }});
        return jobs;
    }
    std::vector<std::string> Take()
    {
        Answered->clear();
        Worker->TakeAnswers();
        return *Answered;
    }

    std::shared_ptr<CGatedReads> Gate = std::make_shared<CGatedReads>();
    std::shared_ptr<std::vector<std::string>> Answered =
        std::make_shared<std::vector<std::string>>();
    std::unique_ptr<CReadWorker> Worker =
        std::make_unique<CReadWorker>([gate = Gate](bool) { gate->Idle(); });
};

TEST_F(ReadWorkerTest, ReadsInTheOrderAskedAndANewAskReplacesWhatWasNotBegun)
{
    Worker->Ask(Jobs({"a", "b", "c"}));
    ASSERT_TRUE(Gate->AwaitStarted(1));
    Worker->Ask(Jobs({"a", "c", "d"})); // the rows moved on: b is no longer wanted
    for (const char* path : {"a", "b", "c", "d"})
        Gate->LetEnd(path);
    ASSERT_TRUE(DetachedWork::AwaitNonePending(Bound));
    EXPECT_EQ(Gate->StartedPaths(), std::vector<std::string>({"a", "c", "d"}));
    EXPECT_EQ(Take(), std::vector<std::string>({"a", "c", "d"}));
    EXPECT_TRUE(Take().empty()) << "each answer once";
}

// Another folder is listed while a read hangs (a dead network mount): the new folder is read
// by a thread of its own, and the old read's answer never reaches it, even once it ends.
TEST_F(ReadWorkerTest, AbandonedReadsNeitherHoldUpNorReachTheNextFolder)
{
    Worker->Ask(Jobs({"/old/a", "/old/b"}));
    ASSERT_TRUE(Gate->AwaitStarted(1));
    Worker->Abandon();
    Worker->Ask(Jobs({"/new/x"}));
    ASSERT_TRUE(Gate->AwaitStarted(2)) << "the new folder waits behind the hung read";
    Gate->LetEnd("/new/x");
    ASSERT_TRUE(Gate->AwaitIdles(1));
    EXPECT_EQ(Take(), std::vector<std::string>({"/new/x"}));

    Gate->LetEnd("/old/a");
    ASSERT_TRUE(Gate->AwaitIdles(2)); // the old thread has handed in what it read
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(Gate->StartedPaths(), std::vector<std::string>({"/old/a", "/new/x"}));
}

// Leaving the browser, or the game, while a read hangs: the worker goes at once; its thread
// ends by itself once the read does, and what it read is still saved.
TEST_F(ReadWorkerTest, TheWorkerGoesWithoutWaitingForAHungRead)
{
    Worker->Ask(Jobs({"a", "b"}));
    ASSERT_TRUE(Gate->AwaitStarted(1));
    Worker.reset();
    EXPECT_EQ(DetachedWork::Pending(), 0) << "nothing is awaited from a worker that went";
    Gate->LetEnd("a");
    ASSERT_TRUE(Gate->AwaitIdles(1));
    EXPECT_EQ(Gate->StartedPaths(), std::vector<std::string>({"a"}));
}
} // namespace

// Where no thread can be had (a user at the system's process limit), the reads are not made,
// the log says why, and nothing else goes wrong. In a child process, as a user the limit binds.
TEST(ReadWorker, NoThreadToReadWithIsLogged)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        const rlimit none{0, 0};
        if ((getuid() == 0 && setuid(65534) != 0) || setrlimit(RLIMIT_NPROC, &none) != 0)
            _exit(2);
        CLogCapture log;
        CReadWorker worker;
        bool read = false;
        worker.Ask({{"a", [&]() -> CReadWorker::FAnswer { return read = true, nullptr; }}});
        worker.TakeAnswers();
        const bool logged =
            log.Text().starts_with("Could not start a thread to read files (") && !read;
        _exit(logged ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
