// stored-files-fuzz: the same mutation loop as audio-fuzz over the files the game keeps for
// the player: highscore files (with mutated song titles and lengths for their names) and the
// settings file. Every mutant is loaded, then saved over and read back, and the round trip is
// checked: ratings stay within 0..100, a better rating is saved and read back exactly, a save
// leaves nothing but the 12-byte file in its folder; a setting written reads back as written
// and the others keep their values. Meant to run under ASan/UBSan.
//
//   stored-files-fuzz [--iterations N] [--seed S] [--only highscores|settings]
//
// Mutant i of seed S is the same on every run; the file of a failed check stays on disk.
#include "app/SharedData.h"
#include "fuzz/FuzzMutation.h"
#include "fuzz/FuzzRun.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "songs/FolderItem.h"
#include "songs/Highscores.h"
#include "support/SongFactory.h"
#include "support/TempHome.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Fuzz::Bytes;
using Fuzz::Rng;

namespace
{
uint64_t Checks = 0;
uint64_t Mutant = 0; // the one under test

[[noreturn]] void Fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "\nFUZZ FAILURE at mutant %llu: %s: %s\n", (unsigned long long)Mutant,
                 what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

void Expect(bool ok, const char* what, const std::string& detail = {})
{
    ++Checks;
    if (!ok)
        Fail(what, detail);
}

Bytes Of(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The 12 bytes of a highscore file, cut to `keep` bytes and followed by `tail`.
Bytes Ratings(int32_t slow, int32_t normal, int32_t fast, size_t keep = 12,
              const std::string& tail = "")
{
    Bytes bytes;
    for (int32_t value : {slow, normal, fast})
        for (int b = 0; b < 4; ++b)
            bytes.push_back(uint8_t(uint32_t(value) >> (8 * b)));
    bytes.resize(keep);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

const Bytes& Pick(const std::vector<Bytes>& from, Rng& rng)
{
    return from[rng() % from.size()];
}

// ---- highscore files -----------------------------------------------------------------------

const std::vector<Bytes> Titles = {
    Of("Night Drive"),
    Of("AC/DC - T.N.T."),
    Of(".."),
    Of(""),
    Of("曲 \xC3\xA9t\xC3\xA9"),
    Of("a\\b:c*d?e\"f<g>h|i"),
    Of(std::string(300, 'z')),
    Of(std::string("nul\0inside", 10)),
};
const std::vector<Bytes> ScoreFiles = {
    Ratings(70, 50, 0),
    Ratings(0, 0, 0),
    Ratings(100, 100, 100),
    Ratings(1, 2, 3, 5),
    Bytes(),
    Ratings(-1, 101, 7),
    Ratings(5, 6, 7, 12, "trailing"),
};

void FuzzHighscore(CSharedData& shared, Rng& rng)
{
    Bytes title = Pick(Titles, rng);
    if (rng() % 2)
        Fuzz::Mutate(title, Titles, rng, {});
    const int64_t lengths[] = {-1, 0, 12, 529200, INT64_MAX, INT64_MIN, int64_t(rng())};
    const int64_t length = lengths[rng() % std::size(lengths)];
    shared.CommonHighscores = rng() % 2;
    const fs::path folder =
        shared.CommonHighscores ? CommonHighscoreFolder(shared) : UserHighscoreFolder();
    fs::remove_all(folder);
    fs::create_directories(folder);

    CFolderItem item(&shared, "song.ogg", CFolderItem::SongKind);
    item.Title = Text(title);
    const fs::path file =
        folder / HighscoreFileName(item.MakeSafeFileName(), length, MaxFileNameBytes(folder));
    Expect(file.parent_path() == folder, "the file name leaves its folder", file.string());
    Bytes stored = Pick(ScoreFiles, rng);
    Fuzz::Mutate(stored, ScoreFiles, rng,
                 [](const Bytes&) {
                     return std::vector<size_t>{0, 4, 8};
                 });
    const bool present = rng() % 8 != 0;
    if (present)
        SongFactory::WriteBytes(file.string(), stored);

    int32_t direct[3] = {int32_t(rng()), int32_t(rng()), int32_t(rng() % 200)};
    if (ReadHighscoreFile(file, direct))
        for (int32_t r : direct)
            Expect(r >= 0 && r <= 100, "a rating read outside 0..100", std::to_string(r));

    item.LoadHighscores(length);
    int32_t before[3];
    for (int i = 0; i < 3; ++i)
    {
        before[i] = item.BestRatings[i];
        Expect(before[i] >= 0 && before[i] <= 100, "a loaded rating outside 0..100",
               std::to_string(before[i]));
    }
    const float speeds[] = {2.0f, 1.2f, 0.8f, 1.0f};
    shared.Speed = speeds[rng() % std::size(speeds)];
    const int slot = shared.Speed == 2.0f ? 0 : shared.Speed == 1.2f ? 1 : 2;
    const int32_t rating = rng() % 8 == 0 ? int32_t(rng()) : int32_t(rng() % 111) - 5;
    const bool saved = item.SaveHighscore(rating, length);
    const int32_t kept = std::clamp(rating, 0, 100); // what a percentage can hold

    Expect(saved == (kept > before[slot]), "saved is not 'better than the stored rating'",
           std::to_string(rating) + " over " + std::to_string(before[slot]));
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.push_back(entry.path());
    if (!saved)
    {
        Expect(files.size() == (present ? 1u : 0u), "a refused save changed the folder");
        if (present)
            Expect(SongFactory::ReadBytes(file) == stored, "a refused save changed the file");
        return;
    }
    Expect(files.size() == 1 && files[0] == file, "a save left other files",
           files.empty() ? "none" : files[0].string());
    Expect(item.BestRatings[slot] == kept, "the saved rating is not in memory");
    const Bytes written = SongFactory::ReadBytes(file);
    Expect(written == Ratings(item.BestRatings[0], item.BestRatings[1], item.BestRatings[2]),
           "the file does not hold the ratings in memory");
    CFolderItem again(&shared, "song.ogg", CFolderItem::SongKind);
    again.Title = item.Title;
    again.LoadHighscores(length);
    Expect(std::equal(again.BestRatings, again.BestRatings + 3, item.BestRatings),
           "the saved ratings do not read back", file.string());
}

// ---- the settings file ---------------------------------------------------------------------

const char* const Names[] = {Settings::Key::FullScreen, Settings::Key::SeparateHS,
                             Settings::Key::PlayContinuous, Settings::Key::AudioOffset,
                             Settings::Key::CurrentPath};

const std::vector<Bytes> SettingsFiles = {
    Of("FullScreen=1\nSeparateHS=0\nPlayContinuous=1\nAudioOffset=-40\n"
       "CurrentPath=/home/player/Music/\n"),
    Of("[korvane]\r\n# comment\r\n; other\r\n  CurrentPath =  /media/usb/Ab\\\\c\\nd  \r\n"
       "AudioOffset=2000\r\nAudioOffset=9999999999\r\n"),
    Of("garbage\n=\nFullScreen\nFullScreen=yes\nSeparateHS=-0\nPlayContinuous=0x1\n"),
    Bytes(),
};
const std::vector<Bytes> Values = {
    Of("/home/player/Music/"),
    Of(" leading and trailing \t"),
    Of("back\\slash\\"),
    Of("line\nbreak\r\n"),
    Of("a=b=c"),
    Of("#not a comment"),
    Of(std::string("nul\0byte", 8)),
    Of("\xC3\xA9\xFF\xFE"),
};

void FuzzSettings(const fs::path& config, const fs::path& system, Rng& rng)
{
    for (const fs::path& folder : {config, system})
    {
        Bytes text = Pick(SettingsFiles, rng);
        Fuzz::Mutate(text, SettingsFiles, rng, {});
        fs::create_directories(folder / "korvane");
        if (folder == config || rng() % 2)
            SongFactory::WriteBytes((folder / "korvane" / "settings.ini").string(), text);
    }
    Settings::ForgetRunValues();
    std::string before[std::size(Names)];
    for (size_t i = 0; i < std::size(Names); ++i)
    {
        before[i] = Settings::ReadText(Names[i]);
        (void)Settings::ReadNumber(Names[i]);
    }
    const size_t which = rng() % std::size(Names);
    if (which + 1 < std::size(Names))
    {
        const auto value = int32_t(rng() % 3 == 0 ? rng() : rng() % 5000 - 2500);
        Expect(Settings::WriteNumber(Names[which], value), "a number was not written");
        Expect(Settings::ReadNumber(Names[which]) == value, "a number does not read back",
               Names[which] + (" = " + std::to_string(value)));
        before[which] = std::to_string(value);
    }
    else
    {
        Bytes value = Pick(Values, rng);
        Fuzz::Mutate(value, Values, rng, {});
        Expect(Settings::WriteText(Names[which], Text(value)), "a text was not written");
        Expect(Settings::ReadText(Names[which]) == Text(value), "a text does not read back",
               "'" + Text(value) + "' read as '" + Settings::ReadText(Names[which]) + "'");
        before[which] = Text(value);
    }
    for (size_t i = 0; i < std::size(Names); ++i)
        Expect(Settings::ReadText(Names[i]) == before[i], "a setting changed by another's write",
               Names[i] + (": '" + before[i] + "' now '" + Settings::ReadText(Names[i]) + "'"));
}
} // namespace

int main(int argc, char** argv)
{
    Fuzz::SOptions options;
    if (!Fuzz::ReadOptions(argc, argv, 10000, {"--only"},
                           "stored-files-fuzz [--iterations N] [--seed S] "
                           "[--only highscores|settings]",
                           options))
        return 2;
    const std::string only = options.Get("--only", "");
    std::FILE* quiet = std::fopen("/dev/null", "w");
    SetLogStream(quiet);
    Fuzz::ReportHangsOnAlarm();
    CTempHome home;
    CTempDir program;
    fs::create_directories(program.Path() / "bin");
    Paths::OverrideProgramFolder((program.Path() / "bin").string());
    CSharedData shared;
    shared.ProgramFolder = Paths::ProgramFolder();

    uint64_t highscores = 0, settings = 0;
    for (uint64_t i = 0; i < options.Iterations; ++i)
    {
        Rng rng(options.Seed * 1000003ull + (Mutant = i));
        const bool scores = only.empty() ? rng() % 2 == 0 : only == "highscores";
        alarm(10);
        if (scores)
        {
            FuzzHighscore(shared, rng);
            ++highscores;
        }
        else
        {
            FuzzSettings(home.ConfigHome(), home.SystemConfig(), rng);
            ++settings;
        }
        alarm(0);
    }
    std::printf("%llu mutants (seed %llu): %llu highscore files, %llu settings files, "
                "%llu checks: no fault\n",
                (unsigned long long)options.Iterations, (unsigned long long)options.Seed,
                (unsigned long long)highscores, (unsigned long long)settings,
                (unsigned long long)Checks);
    Paths::OverrideProgramFolder("");
    std::fclose(quiet);
    return 0;
}
