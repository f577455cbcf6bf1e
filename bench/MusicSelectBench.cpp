// Music browser costs: listing a large folder, and reading one song's tags and exact length.
// Run with --benchmark_repetitions=9 and read the median lines.
#include "app/SharedData.h"
#include "musicselect/FolderBrowser.h"
#include "platform/Log.h"
#include "songs/FolderItem.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace
{
// 200 sub-folders and 10,000 files: 6,000 MP3, 3,000 OGG and 1,000 other files.
const CTempDir& BigFolder()
{
    static CTempDir dir;
    static bool made = false;
    if (!made)
    {
        for (int i = 0; i < 200; ++i)
            fs::create_directory(dir.Path() / ("Album " + std::to_string(i)));
        for (int i = 0; i < 10000; ++i)
        {
            const char* ext = i % 10 < 6 ? ".mp3" : i % 10 < 9 ? ".OGG" : ".txt";
            std::ofstream(dir.Path() / ("Track number " + std::to_string(i) + ext)) << "x";
        }
        made = true;
    }
    return dir;
}

void BM_ListFolder(benchmark::State& state)
{
    CTempHome home;
    CSharedData shared;
    CFolderBrowser browser(&shared);
    shared.CurrentPath = BigFolder().Path().string() + "/";
    browser.ListFolder(); // warm the directory cache
    for (auto _ : state)
    {
        browser.ListFolder();
        benchmark::DoNotOptimize(shared.FolderItems.data());
    }
    state.counters["entries"] = static_cast<double>(shared.FolderItems.size());
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

// About 10 MB of 320 kbps MP3 (4 min 20 s), made once.
const fs::path& BigMp3()
{
    static CTempDir dir;
    static fs::path file;
    if (file.empty())
    {
        const auto pcm = SongFactory::Noise(44100, 2, 260.0, 7, 0.3);
        file = dir.Path() / "big.mp3";
        if (!SongFactory::WriteMp3(file, pcm, false, 320) ||
            !SongFactory::WriteTags(file, "Big Song", "Bench Band",
                                    SongFactory::ETagKind::Id3v2Utf16))
            std::fprintf(stderr, "could not make the test MP3\n");
    }
    return file;
}

void BM_ReadTrackInfo(benchmark::State& state)
{
    CTempHome home;
    CTempDir program;
    CSharedData shared;
    shared.ProgramFolder = program.Path().string() + "/";
    shared.CurrentPath = BigMp3().parent_path().string() + "/";
    std::FILE* devNull = std::fopen("/dev/null", "w");
    SetLogStream(devNull);
    CFolderItem(&shared, "big.mp3", CFolderItem::SongKind).ReadTrackInfo(); // cold cache
    for (auto _ : state)
    {
        CFolderItem item(&shared, "big.mp3", CFolderItem::SongKind);
        if (!item.ReadTrackInfo())
            state.SkipWithError("the song could not be read");
    }
    SetLogStream(nullptr);
    std::fclose(devNull);
    state.counters["MB"] = static_cast<double>(fs::file_size(BigMp3())) / 1e6;
}
BENCHMARK(BM_ReadTrackInfo)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
