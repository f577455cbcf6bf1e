// One decode of a song through the game's own readers and nothing else: what the analysis of
// the song is measured against (bench/analysis-ratio). Prints the seconds from opening the
// song to its last frame, and the frames decoded.
#include "audio/backend/decode/OpenReader.h"

#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: bench_decode_once SONG\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    auto reader = korvane::backend::OpenReader(argv[1]);
    if (!reader)
    {
        std::fprintf(stderr, "bench_decode_once: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<int16_t> pcm(size_t(8192 * reader->Channels()));
    long long frames = 0;
    for (int64_t got; (got = reader->Read(pcm.data(), 8192)) > 0;)
        frames += got;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("decode_s %.3f frames %lld\n", took.count(), frames);
    return 0;
}
