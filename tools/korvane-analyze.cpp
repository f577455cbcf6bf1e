// korvane-analyze: runs the game's own song analysis on one file and prints the audio map the
// battle would be built from, as CSV on standard output. The game's log goes to standard error.
#include "audio/SongAnalysis.h"
#include "audio/map/AudioMap.h"
#include "audio/map/Sample.h"
#include "platform/Log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{
void PrintUsage(std::FILE* out)
{
    std::fputs(
        "Usage: korvane-analyze FILE [--levels]\n"
        "\n"
        "Analyses a song (MP3, OGG, FLAC, Opus, M4A/MP4/AAC, WMA, WAV or AIFF) exactly as\n"
        "Korvane Zaduza does before a battle and prints the result on standard output:\n"
        "  '#' lines: file name, sample rate, channels, decoded length in bytes, the\n"
        "             rate it is analysed at when above 48 kHz (44100 or 48000), the\n"
        "             song's peak levels and loudness multiplier, the minimum intensity\n"
        "             a sample needs to become a weapon, the number of weapons and samples;\n"
        "  then CSV, one line per analysed half block (about 93 ms at 44.1 kHz):\n"
        "             index,position,dominant,level,kind\n"
        "             position in bytes of decoded 16-bit PCM, dominant note 0..95\n"
        "             (57 = A 440 Hz), its level 0..1000, and the weapon kind:\n"
        "             0 none, 2 single, 3 hold start, 4 hold middle, 5 hold end.\n"
        "\n"
        "Options:\n"
        "  --levels   also print the levels of all 96 notes (level0..level95)\n"
        "  --help     show this text\n"
        "\n"
        "The game's log lines go to standard error. Exit status: 0 on success, 1 when the\n"
        "file cannot be opened as a song, 2 on a wrong command line.\n",
        out);
}

void PrintMap(const CSongAnalysis& analysis, const CAudioMap& map, bool levels)
{
    std::printf("# max_level: %d %d\n", analysis.GetMaxLevelLeft(), analysis.GetMaxLevelRight());
    std::printf("# level_multiplier: %f\n", analysis.GetLevelMultiplier());
    std::printf("# min_intensity: %d\n", map.GetMinIntensity());
    std::printf("# weapons: %d\n", map.GetWeaponCount());
    std::printf("# samples: %zu\n", map.GetSamples().size());
    std::fputs("index,position,dominant,level,kind", stdout);
    if (levels)
        for (int32_t n = 0; n < CSample::NoteCount; ++n)
            std::printf(",level%d", n);
    std::fputc('\n', stdout);

    long index = 0;
    for (const auto& sample : map.GetSamples())
    {
        std::printf("%ld,%lld,%d,%d,%d", index++, static_cast<long long>(sample->GetPosition()),
                    sample->GetDominant(), sample->GetDominantLevel(),
                    static_cast<int>(sample->GetKind()));
        if (levels)
            for (int32_t n = 0; n < CSample::NoteCount; ++n)
                std::printf(",%d", sample->GetLevel(n));
        std::fputc('\n', stdout);
    }
}
} // namespace

int main(int argc, char** argv)
{
    const char* path = nullptr;
    bool levels = false;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
        {
            PrintUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--levels") == 0)
            levels = true;
        else if (std::strcmp(argv[i], "--") == 0 && i + 1 < argc && !path)
            path = argv[++i];
        else if (argv[i][0] == '-' && argv[i][1] != '\0')
        {
            std::fprintf(stderr, "korvane-analyze: unknown option %s\n", argv[i]);
            PrintUsage(stderr);
            return 2;
        }
        else if (!path)
            path = argv[i];
        else
        {
            std::fprintf(stderr, "korvane-analyze: only one file at a time\n");
            return 2;
        }
    }
    if (!path)
    {
        PrintUsage(stderr);
        return 2;
    }

    // Standard output carries only the map. The analysis needs no audio device.
    SetLogStream(stderr);
    CSongAnalysis analysis;
    analysis.CreateMap();
    if (!analysis.Open(path))
    {
        std::fprintf(stderr, "korvane-analyze: cannot open %s as a song\n", path);
        return 1;
    }

    analysis.StartDecoding();
    while (analysis.DecodeStep() < 1000)
    {
    }
    Log("Removing jumps\n");
    analysis.RemoveJumps();
    Log("Building weapons\n");
    analysis.BuildWeapons();

    std::printf("# file: %s\n", std::filesystem::path(path).filename().string().c_str());
    std::printf("# rate: %d channels: %d length_bytes: %llu\n", analysis.GetSongRate(),
                analysis.GetChannels(), static_cast<unsigned long long>(analysis.GetLengthBytes()));
    // Songs above 48 kHz are analysed at the rate of the same music on a CD or a DVD.
    if (analysis.GetAnalysisRate() != analysis.GetSongRate())
        std::printf("# analysed_at: %d\n", analysis.GetAnalysisRate());
    analysis.Close();
    PrintMap(analysis, *analysis.GetMap(), levels);

    if (std::fflush(stdout) != 0 || std::ferror(stdout))
    {
        std::fprintf(stderr, "korvane-analyze: could not write the result\n");
        std::_Exit(1);
    }
    return 0;
}
