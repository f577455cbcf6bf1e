// Decoding speed of our reader against the reference command-line decoders on the same
// 4-minute 44.1 kHz stereo songs, and the cost of one spectrum read from memory.
// Prints "ratio" lines (ours / reference; goals: MP3 and OGG at most 1.1 of the reference).
#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/reads/DecodeStream.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace sf = SongFactory;
using korvane::backend::CDecodeStream;

namespace
{
std::string Mp3Path, OggPath;

double Seconds(const std::function<void()>& body, int runs = 3)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i)
    {
        const auto t0 = std::chrono::steady_clock::now();
        body();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

double DecodeOurs(const std::string& path)
{
    return Seconds(
        [&]
        {
            auto reader = korvane::backend::OpenReader(path);
            std::vector<int16_t> buffer(8192 * 2);
            while (reader && reader->Read(buffer.data(), 8192) > 0)
            {
            }
        });
}

double Command(const std::string& command)
{
    return Seconds(
        [&]
        {
            if (std::system(command.c_str()) != 0)
                std::fprintf(stderr, "failed: %s\n", command.c_str());
        });
}

void SpectrumFromMemory(benchmark::State& state)
{
    auto stream = CDecodeStream::Open(OggPath, 1ull << 30);
    while (stream->ReadLevel() != 0xFFFFFFFFu)
    {
    }
    stream->SetPositionBytes(0);
    std::vector<float> bins(4096);
    for (auto _ : state)
    {
        if (stream->ReadSpectrum(bins.data()) != korvane::backend::ERead::Ok)
            stream->SetPositionBytes(0);
        benchmark::DoNotOptimize(bins.data());
    }
}
BENCHMARK(SpectrumFromMemory)->Unit(benchmark::kMicrosecond)->Repetitions(5);
} // namespace

int main(int argc, char** argv)
{
    CTempDir dir;
    Mp3Path = (dir.Path() / "four-minutes.mp3").string();
    OggPath = (dir.Path() / "four-minutes.ogg").string();
    std::fprintf(stderr, "making the 4-minute songs…\n");
    const sf::SPcm pcm = sf::Scale(44100, 2, 36, 48, 5.0, 0.5);
    if (!sf::WriteMp3(Mp3Path, pcm, false, 192) || !sf::WriteOgg(OggPath, pcm, 0.5f))
        return 1;

    const double ourMp3 = DecodeOurs(Mp3Path);
    const double refMp3 = Command("mpg123 -q -t '" + Mp3Path + "'");
    const double ourOgg = DecodeOurs(OggPath);
    const double refOgg = Command("oggdec -Q -o /dev/null '" + OggPath + "'");
    const double ffOgg = Command("ffmpeg -v error -i '" + OggPath + "' -f null -");
    std::printf("mp3 decode: ours %.3f s, mpg123 -t %.3f s, ratio %.2f\n", ourMp3, refMp3,
                ourMp3 / refMp3);
    std::printf("ogg decode: ours %.3f s, oggdec %.3f s, ratio %.2f\n", ourOgg, refOgg,
                ourOgg / refOgg);
    std::printf("ogg decode: ours %.3f s, ffmpeg %.3f s, ratio %.2f\n", ourOgg, ffOgg,
                ourOgg / ffOgg);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
