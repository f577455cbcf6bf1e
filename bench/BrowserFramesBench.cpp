// Music browser frame work on the real engines (main thread CPU per frame, screen update and
// the 30 ms sleep excluded), in three runs:
//  - rows: 40 tagged songs, 20 rows on screen, once with the pointer still (goal: median at
//    most 1 ms) and once moving to another row every frame (each frame renders the rows);
//  - track info: 20 VBR MP3s of about 10 MB without a Xing header (the length needs a full
//    scan), warm cache, from the first frame until every visible title is read, then a click
//    on one of them (the preview opens it); goal: no frame above 25 ms;
//  - 10,000 songs: a click on the folder that holds them, then the wheel, NOTCHES notches per
//    frame, until the last row shows; goal: no frame above 25 ms;
//  - bad files (tests/support SongFactory::WriteHostileFolder): every title read, then a
//    click on every song, one per frame; goal: no frame above 25 ms;
//  - any script: 300 songs whose names and titles are Greek, Cyrillic, Hebrew, Arabic,
//    Japanese, Chinese, Korean and emoji, drawn with the fallback fonts (loaded on the way):
//    from the first frame until the visible titles are read, then the pointer still (goal:
//    median at most 1 ms), then the wheel, a notch every 3 frames, to the end while titles
//    are read (goal: no frame above 25 ms);
//  - keys in the 10,000 songs: Down held for 300 frames, End, then a letter; goal: no frame
//    above 25 ms.
// Usage: browser_frames [NOTCHES]   (default 4)
#include "app/SharedData.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "musicselect/MusicSelectScene.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "songs/FolderItem.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include "FrameClock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
struct SFrames
{
    std::vector<double> WorkCpu; // ms of the main thread per frame, screen update excluded
};

// Queues a pointer event for the next frame: a motion, or a press of `button`.
void PushPointer(int x, int y, uint8_t button = 0)
{
    SDL_Event event{};
    if (button)
        event.button = {SDL_MOUSEBUTTONDOWN, 0, button, SDL_PRESSED, Uint16(x), Uint16(y)};
    else
        event.motion = {SDL_MOUSEMOTION, 0, 0, Uint16(x), Uint16(y), 0, 0};
    SDL_PushEvent(&event);
}

// Runs a browser scene; after each frame `script` gets the frames measured so far, may push
// the next frame's events and says whether to go on (a quit event ends the run).
SFrames BrowserFrames(CSharedData& shared, const std::function<bool(size_t measured)>& script)
{
    SFrames result;
    double last = -1;
    bool ended = false;
    const CFrameWatch watch(shared,
                            [&]
                            {
                                const double now = ThreadCpuMs();
                                if (last >= 0)
                                    result.WorkCpu.push_back(now - last -
                                                             FrameClock::LastUpdateCpuMs());
                                last = now;
                                if (!ended && !script(result.WorkCpu.size()))
                                {
                                    ended = true;
                                    SDL_Event quit{};
                                    quit.type = SDL_QUIT;
                                    SDL_PushEvent(&quit);
                                }
                            });
    CScene* scene = new CMusicSelectScene();
    scene->SetShared(&shared);
    delete scene->Run();
    delete scene;
    return result;
}

constexpr int RowY0 = 38; // the middle of list row 0

// `count` names for one song: hard links share the file's pages, so the cache stays warm.
bool LinkSongs(const fs::path& song, const fs::path& folder, int count, const char* stem)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (int i = 0; i < count && !ec; ++i)
        fs::create_hard_link(song, folder / (stem + std::to_string(i) + ".mp3"), ec);
    return !ec;
}

void Report(const char* name, const SFrames& run, double goalMs, bool medianGoal)
{
    const double median = Percentile(run.WorkCpu, 0.5);
    const double worst = Percentile(run.WorkCpu, 1.0);
    const double measure = medianGoal ? median : worst;
    std::printf("%-28s median %.3f ms, p95 %.3f ms, worst %.3f ms | %zu frames | %s %.0f ms: %s\n",
                name, median, Percentile(run.WorkCpu, 0.95), worst, run.WorkCpu.size(),
                medianGoal ? "median goal" : "worst goal", goalMs,
                measure <= goalMs ? "met" : "NOT met");
}

size_t PendingInFirstRows(const CSharedData& shared, size_t first = 0)
{
    size_t pending = 0;
    for (size_t i = first; i < std::min<size_t>(first + 20, shared.FolderItems.size()); ++i)
        pending += shared.FolderItems[i]->IsInfoPending();
    return pending;
}

SFrames Slice(const SFrames& run, size_t from, size_t count)
{
    SFrames part;
    from = std::min(from, run.WorkCpu.size());
    count = std::min(count, run.WorkCpu.size() - from);
    part.WorkCpu.assign(run.WorkCpu.begin() + long(from), run.WorkCpu.begin() + long(from + count));
    return part;
}

// Runs the browser on `folder`; once every visible title is read (at frame readBy), `then`
// scripts each frame with the frames since, and says whether the run goes on.
SFrames OnceTitlesRead(CSharedData& shared, const fs::path& folder, size_t& readBy,
                       const std::function<bool(size_t since)>& then)
{
    Settings::WriteText("CurrentPath", folder.string());
    readBy = 0;
    return BrowserFrames(shared,
                         [&](size_t measured)
                         {
                             if (readBy == 0 && PendingInFirstRows(shared) == 0)
                                 readBy = measured;
                             return readBy == 0 || then(measured - readBy);
                         });
}

// 300 frames with the pointer still, then 300 with the pointer on another row every frame.
void MeasureRows(CSharedData& shared, const fs::path& folder)
{
    size_t readBy = 0;
    const SFrames run = OnceTitlesRead(shared, folder, readBy,
                                       [](size_t since)
                                       {
                                           if (since >= 300)
                                               PushPointer(300, RowY0 + 20 * int(since % 20));
                                           return since < 600;
                                       });
    Report("rows, pointer still", Slice(run, readBy, 300), 1.0, true);
    Report("rows, pointer on a new row", Slice(run, readBy + 301, 299), 1.0, true);
}

// From the first frame, then a click on row 5 once every title is read.
void MeasureTrackInfo(CSharedData& shared, const fs::path& folder)
{
    size_t readBy = 0;
    const SFrames run = OnceTitlesRead(shared, folder, readBy,
                                       [](size_t since)
                                       {
                                           if (since == 0)
                                               PushPointer(300, RowY0 + 20 * 5, SDL_BUTTON_LEFT);
                                           return since < 10;
                                       });
    Report("track info, 20 x 10 MB VBR", run, 25.0, false);
    if (readBy + 1 <= run.WorkCpu.size())
        std::printf("    all 20 read after %zu frames; the frame of the preview click: %.3f ms\n",
                    readBy, run.WorkCpu[readBy]);
}

void MeasureWheel(CSharedData& shared, const fs::path& parent, int notches)
{
    Settings::WriteText("CurrentPath", parent.string());
    bool opened = false;
    size_t openedAt = 0;
    const SFrames run =
        BrowserFrames(shared,
                      [&](size_t measured)
                      {
                          if (!opened)
                          {
                              opened = true;
                              openedAt = measured + 1;
                              PushPointer(300, RowY0 + 20, SDL_BUTTON_LEFT); // row 1: the folder
                              return true;
                          }
                          for (int i = 0; i < notches; ++i)
                              PushPointer(300, 200, SDL_BUTTON_WHEELDOWN);
                          return shared.ScrollTop + 20 < shared.FolderItems.size();
                      });
    std::printf("    %zu entries listed, scrolled to row %u\n", shared.FolderItems.size(),
                shared.ScrollTop);
    Report("10,000 songs, wheel", run, 25.0, false);
    if (openedAt <= run.WorkCpu.size())
        std::printf("    the frame that lists the folder: %.3f ms\n", run.WorkCpu[openedAt - 1]);
}

// Down every frame for 300 frames (the selection moves, the rows render, no preview starts),
// then End and a letter that finds a name from the top of the list.
void MeasureKeys(CSharedData& shared, const fs::path& folder)
{
    Settings::WriteText("CurrentPath", folder.string());
    const SFrames run = BrowserFrames(
        shared,
        [](size_t measured)
        {
            SDL_Event key{};
            key.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {}};
            key.key.keysym.sym = measured < 300 ? SDLK_DOWN : measured == 300 ? SDLK_END : SDLK_t;
            if (measured <= 301)
                SDL_PushEvent(&key);
            return measured < 320;
        });
    Report("10,000 songs, keys", run, 25.0, false);
}

// Songs named in eight scripts (file names and title tags differ), each its own copy.
bool WriteScriptSongs(const fs::path& song, const fs::path& folder, int count)
{
    const char* names[] = {"Καλημέρα κόσμε", "Группа крови",   "שיר השירים",  "أغنية الصباح",
                           "夜に駆ける",     "月亮代表我的心", "봄날의 노래", "🎵 Fire 🔥 ☀"};
    const char* titles[] = {
        "Ωδή στη Θάλασσα",  "Звезда по имени Солнце", "ירושלים של זהב", "قارئة الفنجان",
        "上を向いて歩こう", "甜蜜蜜 · 邓丽君",        "아리랑 변주곡",  "😀 Happy 🎶 ♥"};
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (int i = 0; i < count && !ec; ++i)
    {
        const std::string number = " " + std::to_string(i);
        const fs::path file = folder / (names[i % 8] + number + ".mp3");
        fs::copy_file(song, file, ec);
        if (!ec && !SongFactory::WriteTags(file, titles[(i / 8) % 8] + number, "",
                                           SongFactory::ETagKind::Id3v2Utf8))
            return false;
    }
    return !ec;
}

void MeasureScripts(CSharedData& shared, const fs::path& folder)
{
    // A scene's first frame is not measured: time the fallback's loading on its own.
    const double cpu = ThreadCpuMs(), wall = WallMs();
    SDL_FreeSurface(shared.Fonts->RenderSmall("Ωδή Звезда שיר أغنية 夜に 月亮 봄날 🎵", true));
    std::printf("    the first line in eight scripts (fontconfig read, fonts opened): %.3f ms "
                "CPU, %.3f ms wall\n",
                ThreadCpuMs() - cpu, WallMs() - wall);
    size_t readBy = 0;
    const SFrames run =
        OnceTitlesRead(shared, folder, readBy,
                       [&](size_t since)
                       {
                           if (since < 300)
                               return true;
                           if (since % 3 == 0)
                               PushPointer(300, 200, SDL_BUTTON_WHEELDOWN);
                           return shared.ScrollTop + 20 < shared.FolderItems.size() ||
                                  PendingInFirstRows(shared, shared.ScrollTop) > 0;
                       });
    std::printf("    %zu entries, the visible titles read after %zu frames\n",
                shared.FolderItems.size(), readBy);
    Report("any script, titles read", Slice(run, 0, readBy), 25.0, false);
    Report("any script, pointer still", Slice(run, readBy, 300), 1.0, true);
    Report("any script, wheel to the end", Slice(run, readBy + 300, run.WorkCpu.size()), 25.0,
           false);
}

// A click on every song, one a frame, once every title is read.
void MeasureBadFiles(CSharedData& shared, const fs::path& folder)
{
    size_t readBy = 0;
    const SFrames run = OnceTitlesRead(shared, folder, readBy,
                                       [&](size_t since)
                                       {
                                           const size_t row = shared.FirstSongItem + since;
                                           if (row >= shared.FolderItems.size())
                                               return false;
                                           PushPointer(300, RowY0 + 20 * int(row), SDL_BUTTON_LEFT);
                                           return true;
                                       });
    Report("bad files, read and clicked", run, 25.0, false);
}
} // namespace

int main(int argc, char** argv)
{
    const int notches = argc > 1 ? std::max(1, std::atoi(argv[1])) : 4;
    CTempHome home;
    CTempDir root;
    std::FILE* quiet = std::fopen("/dev/null", "w");
    SetLogStream(quiet);

    std::printf("making the songs...\n");
    const fs::path shortSong = root.Path() / "short.mp3", bigSong = root.Path() / "big.mp3";
    // Noise at VBR quality 4 comes to about 145 kbps: 560 s give about 10 MB.
    if (!SongFactory::WriteMp3(shortSong, SongFactory::Sine(44100, 2, 2.0, 440), false) ||
        !SongFactory::WriteTags(shortSong, "A Short Song", "Bench Band",
                                SongFactory::ETagKind::Id3v2Utf8) ||
        !SongFactory::WriteMp3(bigSong, SongFactory::Noise(44100, 2, 560.0, 7, 0.3), true) ||
        !LinkSongs(shortSong, root.Path() / "rows", 40, "song ") ||
        !LinkSongs(bigSong, root.Path() / "big", 20, "big ") ||
        !LinkSongs(shortSong, root.Path() / "many" / "10000 songs", 10000, "track ") ||
        !WriteScriptSongs(shortSong, root.Path() / "scripts", 300) ||
        !fs::create_directory(root.Path() / "bad") ||
        !SongFactory::WriteHostileFolder(root.Path() / "bad"))
    {
        std::fprintf(stderr, "browser_frames: could not make the songs\n");
        return 1;
    }
    std::printf("big VBR MP3: %.1f MB\n", double(fs::file_size(bigSong)) / 1e6);

    auto shared = std::make_unique<CSharedData>();
    if (!shared->Init())
    {
        std::fprintf(stderr, "browser_frames: the engines did not start\n");
        shared->Shutdown();
        return 1;
    }
    MeasureRows(*shared, root.Path() / "rows");
    shared->ClearFolderItems();
    MeasureScripts(*shared, root.Path() / "scripts");
    shared->ClearFolderItems();
    MeasureTrackInfo(*shared, root.Path() / "big");
    shared->ClearFolderItems();
    MeasureWheel(*shared, root.Path() / "many", notches);
    shared->ClearFolderItems();
    MeasureKeys(*shared, root.Path() / "many" / "10000 songs");
    shared->ClearFolderItems();
    MeasureBadFiles(*shared, root.Path() / "bad");

    shared->Shutdown();
    SetLogStream(nullptr);
    std::fclose(quiet);
    return 0;
}
