// The battle scene on the real engines with a real song, as a player meets it:
//   battle_bench load SONG [RUNS]     from the start of Run to the first frame of the
//                                     count-in, split into set-up, analysis and loading
//                                     frames; medians of RUNS (default 5)
//   battle_bench play SONG [SECONDS]  the frame work of the game loop (CPU time per frame,
//                                     the screen update and the 20 ms sleep excluded) over
//                                     SECONDS of play (0: the whole song), then the peak
//                                     resident memory of the process
// Used by bench/battle-frames, which makes the songs and runs both under Xvfb or the dummy
// video driver.
#include "FrameClock.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "battle/BattleScene.h"
#include "graphics/Graphics.h"
#include "platform/Log.h"
#include "songs/FolderItem.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
// When the game logged the lines a measure needs (ms on WallMs's clock, 0 = not yet).
struct SLogTimes
{
    double BytesPerLines = 0;
} LogTimes;

ssize_t WatchLog(void*, const char* text, size_t size)
{
    const std::string chunk(text, size);
    if (chunk.find("Bytes per lines") != std::string::npos)
        LogTimes.BytesPerLines = WallMs();
    return ssize_t(size);
}

void PushQuit()
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}

void Choose(CSharedData& shared, const std::filesystem::path& song)
{
    shared.ClearFolderItems();
    shared.CurrentPath = song.parent_path().string() + "/";
    shared.FolderItems.push_back(
        std::make_unique<CFolderItem>(&shared, song.filename().string(), CFolderItem::SongKind));
    shared.SelectedItem = 0;
    shared.FirstSongItem = 0;
    shared.PlayContinuous = false;
}

// Runs one battle scene; observe is called after every frame with the frame's number.
void RunBattle(CSharedData& shared, const std::function<void(uint64_t)>& observe)
{
    LogTimes = {};
    uint64_t frames = 0;
    const CFrameWatch watch(shared, [&] { observe(++frames); });
    auto* battle = new CBattleScene();
    battle->SetShared(&shared);
    delete battle->Run();
    delete battle;
}

// The song's analysis alone, as the loading screen drives it but without drawing.
double AnalysisMs(CAudio& audio, const std::filesystem::path& song)
{
    const double start = WallMs();
    if (!audio.OpenForAnalysis(song))
        return 0;
    audio.GetAnalysis().StartDecoding();
    while (audio.GetAnalysis().DecodeStep() < 1000)
    {
    }
    audio.GetAnalysis().RemoveJumps();
    audio.GetAnalysis().BuildWeapons();
    audio.CloseAnalysis();
    return WallMs() - start;
}

double PeakResidentMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

int Load(CSharedData& shared, const std::filesystem::path& song, int runs)
{
    const double peakBefore = PeakResidentMb();
    std::vector<double> total, analysis, frames;
    for (int run = 0; run < runs; ++run)
    {
        Choose(shared, song);
        const double start = WallMs();
        double countIn = 0, framesBeforeCountIn = 0;
        RunBattle(shared,
                  [&](uint64_t frame)
                  {
                      if (countIn == 0 && LogTimes.BytesPerLines != 0)
                      {
                          countIn = WallMs();
                          framesBeforeCountIn = double(frame - 1);
                          PushQuit();
                      }
                  });
        if (countIn == 0)
        {
            std::fprintf(stderr, "battle_bench: %s never reached the count-in\n", song.c_str());
            return 1;
        }
        total.push_back(countIn - start);
        analysis.push_back(AnalysisMs(*shared.Audio, song));
        frames.push_back(framesBeforeCountIn);
    }
    const double t = Percentile(total, 0.5), a = Percentile(analysis, 0.5);
    std::printf("%s: Run to first count-in frame %.0f ms (median of %d, best %.0f ms): the "
                "analysis alone takes %.0f ms, the rest (assets, opening and reading the song, "
                "%.0f loading frames drawn and shown, the start of the level) %.0f ms\n",
                song.filename().c_str(), t, runs, Percentile(total, 0.0), a,
                Percentile(frames, 0.5), t - a);
    std::printf("%s: peak resident memory %.1f MB after the engines started, %.1f MB after "
                "loading it (+%.1f MB)\n",
                song.filename().c_str(), peakBefore, PeakResidentMb(),
                PeakResidentMb() - peakBefore);
    return 0;
}

int Play(CSharedData& shared, const std::filesystem::path& song, double seconds)
{
    Choose(shared, song);
    std::vector<double> work;
    double last = -1, playStart = 0;
    RunBattle(shared,
              [&](uint64_t)
              {
                  const double now = ThreadCpuMs();
                  const bool playing = shared.Audio->GetMusic()->GetHandle() != 0;
                  if (playing && last >= 0)
                      work.push_back(now - last - FrameClock::LastUpdateCpuMs());
                  last = playing ? now : -1;
                  if (playing && playStart == 0)
                      playStart = WallMs();
                  const bool results = LogTimes.BytesPerLines != 0 && !playing;
                  if (results || (seconds > 0 && playing && WallMs() - playStart > seconds * 1000))
                      PushQuit();
              });
    std::printf("%s: frame work over %zu frames: median %.3f ms (goal 1.5), p99 %.3f ms "
                "(goal 3), max %.3f ms; peak resident memory %.1f MB (goal 150)\n",
                song.filename().c_str(), work.size(), Percentile(work, 0.5), Percentile(work, 0.99),
                Percentile(work, 1.0), PeakResidentMb());
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || (std::strcmp(argv[1], "load") != 0 && std::strcmp(argv[1], "play") != 0))
    {
        std::fprintf(stderr, "usage: battle_bench load SONG [RUNS] | play SONG [SECONDS]\n");
        return 2;
    }
    cookie_io_functions_t watch{};
    watch.write = WatchLog;
    std::FILE* log = fopencookie(nullptr, "w", watch);
    setvbuf(log, nullptr, _IOLBF, 0);
    SetLogStream(log);
    auto shared = std::make_unique<CSharedData>();
    shared->CommonHighscores = false;
    if (!shared->Init())
    {
        std::fprintf(stderr, "battle_bench: the engines did not start\n");
        shared->Shutdown();
        return 1;
    }
    const std::filesystem::path song = std::filesystem::absolute(argv[2]);
    const int result = std::strcmp(argv[1], "load") == 0
                           ? Load(*shared, song, argc > 3 ? std::max(1, std::atoi(argv[3])) : 5)
                           : Play(*shared, song, argc > 3 ? std::atof(argv[3]) : 60);
    shared->Shutdown();
    SetLogStream(nullptr);
    std::fclose(log);
    return result;
}
