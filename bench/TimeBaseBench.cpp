// The battle's time base, measured through SDL's disk audio driver: the music position read
// once per 20 ms frame (as the battle reads it) against the frame the output device plays,
// and each frame's step against the wall time between frames.
// The disk driver writes what it plays into a named pipe that a thread of this program reads
// and timestamps. Through the C library's buffering the pipe receives 2048 frames every 46 ms;
// the device is taken to play each piece from its arrival until the next one arrives (at least
// at 44100 Hz, then it waits). The song's frames carry their own numbers, so the capture tells
// which song frame that is. Errors are after the offset (position + AudioOffset - device).
// Goals: within 10 ms; no step more than 2 ms longer than its frame.
// Usage: bench_time_base [SECONDS]   (default 10)
#include "audio/Audio.h"
#include "audio/backend/output/Output.h"
#include "audio/backend/output/TimeSource.h"
#include "platform/Settings.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sf = SongFactory;

namespace
{
constexpr double Rate = 44100.0;
constexpr int64_t SettleNs = 100000000; // a song's first piece may reach the pipe alone

struct SPiece
{
    int64_t Ns;
    size_t EndByte; // capture size once it arrived
};

struct SFrame
{
    int64_t Ns;
    int64_t Frame; // song frame the game reads
};

// What the disk driver writes to the pipe, and when each piece arrived.
struct SCapture
{
    std::vector<uint8_t> Bytes;
    std::vector<SPiece> Pieces;
    bool Realtime = false;

    void Run(const std::string& pipe)
    {
        // Timestamps are the measure: this thread must not wait behind the load.
        sched_param param{};
        param.sched_priority = 10;
        Realtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
        const int fd = open(pipe.c_str(), O_RDONLY);
        if (fd < 0)
            return;
        uint8_t buffer[65536];
        for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
        {
            const int64_t now = MonotonicNs();
            Bytes.insert(Bytes.end(), buffer, buffer + got);
            // Writes within 5 ms (a fifth of a device buffer) are one piece.
            if (!Pieces.empty() && now - Pieces.back().Ns < 5000000)
                Pieces.back().EndByte = Bytes.size();
            else
                Pieces.push_back({now, Bytes.size()});
        }
        close(fd);
    }

    // Song frame the device plays at `ns` (fractional), -1 when it plays none of the song.
    double Playing(int64_t ns) const
    {
        auto next = std::upper_bound(Pieces.begin(), Pieces.end(), ns,
                                     [](int64_t t, const SPiece& p) { return t < p.Ns; });
        if (next == Pieces.begin() || next == Pieces.end())
            return -1.0;
        const SPiece& piece = *(next - 1);
        const size_t startByte = next - 1 == Pieces.begin() ? 0 : (next - 2)->EndByte;
        const double frames = double(piece.EndByte - startByte) / 4.0;
        const double perNs = std::max(Rate / 1e9, frames / double(next->Ns - piece.Ns));
        const double into = std::min(frames - 1.0, double(ns - piece.Ns) * perNs);
        const auto* samples =
            reinterpret_cast<const int16_t*>(Bytes.data() + startByte + size_t(into) * 4);
        const int64_t number = sf::FrameNumber(samples[0], samples[1]);
        return number < 0 ? -1.0 : double(number) + (into - std::floor(into));
    }
};

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p / 100.0 * double(values.size())))];
}

void ReportErrors(const char* what, const std::vector<double>& errors)
{
    std::vector<double> magnitudes;
    double sum = 0.0;
    for (double e : errors)
    {
        magnitudes.push_back(std::abs(e));
        sum += e;
    }
    std::printf("  %-30s %3zu frames  mean %+6.2f  |median| %5.2f  |p99| %5.2f  |max| %5.2f ms\n",
                what, errors.size(), errors.empty() ? 0.0 : sum / double(errors.size()),
                Percentile(magnitudes, 50), Percentile(magnitudes, 99),
                Percentile(magnitudes, 100));
}

std::vector<SFrame> PlayFrames(const std::string& song, double seconds, int& heldFrames,
                               double& readNs)
{
    std::vector<SFrame> frames;
    CAudio audio;
    if (!audio.Init() || !audio.OpenMusic(song))
    {
        std::printf("the disk audio driver or the song could not be opened\n");
        std::exit(1);
    }
    audio.PlayMusic();
    const int64_t start = MonotonicNs();
    frames.push_back({start, int64_t(audio.GetMusic()->GetPosition() / 4)});
    while (MonotonicNs() - start < int64_t(seconds * 1e9))
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const int64_t now = MonotonicNs();
        frames.push_back({now, int64_t(audio.GetMusic()->GetPosition() / 4)});
    }
    heldFrames = audio.GetOutput()->BufferFrames();
    const int64_t before = MonotonicNs();
    uint64_t sum = 0;
    for (int i = 0; i < 100000; ++i)
        sum += audio.GetMusic()->GetPosition();
    readNs = double(MonotonicNs() - before) / 100000.0 + double(sum % 2) * 1e-9;
    audio.CloseMusic();
    audio.Shutdown();
    return frames;
}

void RunOnce(const std::string& song, const std::string& pipe, double seconds, int offsetMs,
             int busyThreads)
{
    Settings::WriteNumber("AudioOffset", offsetMs);
    mkfifo(pipe.c_str(), 0600);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", pipe.c_str(), 1);
    SCapture capture;
    std::thread reader([&] { capture.Run(pipe); });
    std::atomic<bool> busy{true};
    std::vector<std::thread> burners;
    for (int i = 0; i < busyThreads; ++i)
        burners.emplace_back(
            [&]
            {
                for (volatile uint64_t spin = 0; busy.load(std::memory_order_relaxed);)
                    spin = spin + 1;
            });
    int heldFrames = 0;
    double readNs = 0.0;
    const std::vector<SFrame> frames = PlayFrames(song, seconds, heldFrames, readNs);
    busy = false;
    for (std::thread& t : burners)
        t.join();
    reader.join();
    unlink(pipe.c_str());

    std::vector<double> errors, settled;
    double mostOver = -1e9, mostUnder = 1e9;
    int backwards = 0;
    for (size_t i = 0; i < frames.size(); ++i)
    {
        const double device = capture.Playing(frames[i].Ns);
        if (device >= 0.0 && frames[i].Frame > 0)
        {
            errors.push_back((double(frames[i].Frame) - device) * 1000.0 / Rate + offsetMs);
            if (frames[i].Ns - frames[0].Ns >= SettleNs)
                settled.push_back(errors.back());
        }
        if (i == 0)
            continue;
        const double step = double(frames[i].Frame - frames[i - 1].Frame) * 1000.0 / Rate;
        const double over = step - double(frames[i].Ns - frames[i - 1].Ns) / 1e6;
        mostOver = std::max(mostOver, over);
        mostUnder = std::min(mostUnder, over);
        backwards += frames[i].Frame < frames[i - 1].Frame;
    }
    // The device itself late, while the song played: a piece that came more than 5 ms after
    // the audio before it ran out.
    int late = 0;
    double latest = 0.0;
    for (size_t i = 2; i < capture.Pieces.size(); ++i)
    {
        if (capture.Pieces[i].Ns < frames.front().Ns + SettleNs ||
            capture.Pieces[i].Ns > frames.back().Ns)
            continue;
        const double due =
            double(capture.Pieces[i - 1].EndByte - capture.Pieces[i - 2].EndByte) / 4.0 / Rate;
        const double gap =
            double(capture.Pieces[i].Ns - capture.Pieces[i - 1].Ns) / 1e6 - due * 1e3;
        late += gap > 5.0;
        latest = std::max(latest, gap);
    }
    std::printf("AudioOffset %+d ms, %d busy threads (reader %s): %zu pieces reached the pipe, "
                "%d of them over 5 ms late (at most %.1f ms); the mixer counts %d frames held "
                "by the device\n",
                offsetMs, busyThreads, capture.Realtime ? "real-time" : "normal priority",
                capture.Pieces.size(), late, latest, heldFrames);
    ReportErrors("position + offset - device", errors);
    ReportErrors("  from 0.1 s after Play", settled);
    std::printf("  step - elapsed: largest %+.2f ms, smallest %+.2f ms; backwards steps %d\n",
                mostOver, mostUnder, backwards);
    std::printf("  one position read while playing: %.0f ns\n", readNs);
}
} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    CTempHome home;
    CTempDir dir;
    const std::string song = (dir.Path() / "numbered.wav").string();
    if (!sf::WriteWav(song, sf::NumberedFrames(seconds + 2.0)))
        return 1;
    const std::string pipe = (dir.Path() / "device.pipe").string();
    for (int offsetMs : {0, 40, -25})
        RunOnce(song, pipe, seconds, offsetMs, 0);
    RunOnce(song, pipe, seconds, 0, 2); // both cores busy besides the game
    return 0;
}
