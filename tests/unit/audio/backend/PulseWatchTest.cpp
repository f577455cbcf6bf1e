// The watch against a real PulseAudio server of the test's own (a null sink, no sound card): it
// hears our stream, tells when that stream or the whole server goes away, and finds the stream
// opened next. Skipped where no server can be started.
#include "audio/backend/output/PulseWatch.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>
#include <pulse/simple.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace
{
using SAnswer = korvane::backend::CPulseWatch::SAnswer;
constexpr auto Bound = std::chrono::seconds(20); // only a watch that never tells takes this long

class CServer
{
public:
    explicit CServer(const std::filesystem::path& runtime) : Socket(runtime / "native")
    {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("PULSE_SERVER", ("unix:" + Socket.string()).c_str(), 1);
        const std::string socketArg =
            "--load=module-native-protocol-unix auth-anonymous=1 socket=" + Socket.string();
        std::vector<std::string> args = {"pulseaudio",
                                         "--daemonize=no",
                                         "--exit-idle-time=-1",
                                         "-n",
                                         "--realtime=no",
                                         "--log-target=stderr",
                                         "--log-level=0",
                                         "--load=module-null-sink",
                                         socketArg};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&Pid, "pulseaudio", nullptr, nullptr, argv.data(), environ) != 0)
            Pid = 0;
    }
    ~CServer() { Kill(); }
    // A stream of ours on it, once it answers; nullptr when it never does.
    pa_simple* Open()
    {
        const pa_sample_spec spec = {PA_SAMPLE_S16LE, 44100, 2};
        for (auto until = std::chrono::steady_clock::now() + Bound;
             Pid && std::chrono::steady_clock::now() < until;
             std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            if (pa_simple* s = pa_simple_new(nullptr, "watch test", PA_STREAM_PLAYBACK, nullptr,
                                             "tone", &spec, nullptr, nullptr, nullptr))
            {
                const std::vector<int16_t> silence(44100 * 2 / 10);
                pa_simple_write(s, silence.data(), silence.size() * 2, nullptr);
                return s;
            }
        return nullptr;
    }
    void Kill()
    {
        if (Pid)
        {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
        }
        Pid = 0;
    }

private:
    std::filesystem::path Socket;
    pid_t Pid = 0;
};

class CAnswers
{
public:
    void Add(const SAnswer& a)
    {
        const std::lock_guard<std::mutex> hold(Lock);
        Got.push_back(a);
        Changed.notify_all();
    }
    // True once an answer after the first `from` says `gone`; `from` moves past it.
    bool Await(size_t& from, bool gone)
    {
        std::unique_lock<std::mutex> hold(Lock);
        const bool told = Changed.wait_for(hold, Bound,
                                           [&]
                                           {
                                               for (; from < Got.size(); ++from)
                                                   if (Got[from].Gone == gone)
                                                       return true;
                                               return false;
                                           });
        ++from;
        return told;
    }

private:
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<SAnswer> Got;
};
} // namespace

TEST(PulseWatch, TellsWhenOurStreamOrTheServerGoesAndFindsTheNextStream)
{
    CTempHome home;
    CTempDir runtime;
    {
        // No server yet: the watch gives up at once or never hears of one, and stops without
        // harm either way.
        setenv("PULSE_SERVER", ("unix:" + (runtime.Path() / "none").string()).c_str(), 1);
        korvane::backend::CPulseWatch early;
        early.Start([](const SAnswer&) {});
        early.Stop();
    }
    CServer server(runtime.Path());
    pa_simple* first = server.Open();
    if (!first)
        GTEST_SKIP() << "no PulseAudio server could be started here";
    CAnswers answers;
    korvane::backend::CPulseWatch watch;
    ASSERT_TRUE(watch.Start([&](const SAnswer& a) { answers.Add(a); }));
    size_t seen = 0;
    EXPECT_TRUE(answers.Await(seen, false)) << "our stream heard";
    pa_simple_free(first);
    EXPECT_TRUE(answers.Await(seen, true)) << "our stream gone";
    pa_simple* second = server.Open();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(answers.Await(seen, false)) << "the next stream found";
    server.Kill();
    EXPECT_TRUE(answers.Await(seen, true)) << "the server gone";
    watch.Stop();
    pa_simple_free(second);
}
