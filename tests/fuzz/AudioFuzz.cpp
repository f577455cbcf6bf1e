// audio-fuzz: a self-contained mutation loop over short tagged songs (WAV, MP3, OGG) made by
// SongFactory, and with --format-songs the songs of every other format that
// tests/data/make-format-songs made in that folder (FLAC, Opus, MP4, ADTS, WMA, AIFF). Every mutant
// goes through everything a song in a player's folder meets: the track probe, a decode-only stream
// (levels, seeks, spectra), the whole song analysis and a brief playback. Meant to run under
// ASan/UBSan; a crash or sanitizer report ends the run, a read loop that does not end or a hang is
// reported here and ends it too.
//
//   audio-fuzz [--iterations N] [--seed S] [--dir D] [--replay FILE] [--time-limit SECONDS]
//              [--spare-ogg-headers 0|1] [--format-songs FOLDER]
//
// Mutant i of seed S is the same on every run; the mutant under test is always on disk as
// D/current.<ext>, so the file that broke a run is there afterwards.
#include "audio/Audio.h"
#include "audio/AudioFile.h"
#include "audio/backend/decode/TrackProbe.h"
#include "fuzz/FuzzMutation.h"
#include "fuzz/FuzzRun.h"
#include "platform/Log.h"
#include "support/SongFactory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <sys/resource.h>

namespace sf = SongFactory;
namespace fs = std::filesystem;

namespace
{
struct SSeed
{
    std::string Ext;
    std::vector<uint8_t> Bytes;
};

using Rng = Fuzz::Rng;

// How many mutants got how far: a run where nothing opens tests nothing.
struct SCounts
{
    uint64_t Probed = 0, Decoded = 0, Analysed = 0, Played = 0;
} Counts;

// ---- seeds ---------------------------------------------------------------------------------

bool MakeSeeds(const fs::path& dir, std::vector<SSeed>& seeds)
{
    struct SMake
    {
        const char* Name;
        sf::SPcm Pcm;
        sf::EFormat Format;
        sf::ETagKind Tag;
    };
    const SMake makes[] = {
        {"a.wav", sf::Scale(44100, 2, 40, 3, 0.1), sf::EFormat::Wav, sf::ETagKind::WavInfo},
        {"b.wav", sf::Sine(22050, 1, 0.25, 440.0), sf::EFormat::Wav, sf::ETagKind::WavInfo},
        {"c.mp3", sf::Scale(44100, 2, 40, 3, 0.1), sf::EFormat::Mp3Cbr, sf::ETagKind::Id3v2Utf16},
        {"d.mp3", sf::Sine(22050, 1, 0.3, 440.0), sf::EFormat::Mp3VbrNoTag, sf::ETagKind::Ape},
        {"e.mp3", sf::Noise(32000, 2, 0.3, 5), sf::EFormat::Mp3Cbr, sf::ETagKind::Id3v1},
        {"f.ogg", sf::Scale(44100, 2, 40, 3, 0.1), sf::EFormat::Ogg, sf::ETagKind::XiphComment},
        {"g.ogg", sf::Noise(48000, 1, 0.3, 9), sf::EFormat::Ogg, sf::ETagKind::XiphComment},
    };
    for (const SMake& m : makes)
    {
        const fs::path path = dir / m.Name;
        if (!sf::Write(path, m.Pcm, m.Format) ||
            !sf::WriteTags(path, "Fuzz title \xC3\xA9", "Fuzz artist", m.Tag))
            return false;
        seeds.push_back({path.extension().string(), sf::ReadBytes(path)});
    }
    // One MP3 with a small picture and a second ID3v2 text encoding on top.
    const fs::path pic = dir / "h.mp3";
    if (!sf::Write(pic, sf::Sine(44100, 2, 0.2, 880.0), sf::EFormat::Mp3Cbr) ||
        !sf::AddId3v2Picture(pic, 700) ||
        !sf::WriteTags(pic, "Pictured", "Band", sf::ETagKind::Id3v2Utf8))
        return false;
    seeds.push_back({".mp3", sf::ReadBytes(pic)});
    return true;
}

bool AddFormatSongs(const fs::path& folder, std::vector<SSeed>& seeds)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder / "songs", ec))
        seeds.push_back({entry.path().extension().string(), sf::ReadBytes(entry.path())});
    return !ec;
}

// ---- mutations -----------------------------------------------------------------------------

size_t Find(const std::vector<uint8_t>& b, const char* what, size_t from = 0)
{
    const size_t n = std::strlen(what);
    for (size_t i = from; i + n <= b.size(); ++i)
        if (std::memcmp(&b[i], what, n) == 0)
            return i;
    return std::string::npos;
}

// Offsets of length, count and format fields the decoders and tag readers trust.
std::vector<size_t> FieldOffsets(const std::vector<uint8_t>& b)
{
    std::vector<size_t> at;
    auto add = [&](size_t base, std::initializer_list<size_t> offsets)
    {
        for (size_t o : offsets)
            if (base != std::string::npos && base + o + 4 <= b.size())
                at.push_back(base + o);
    };
    add(Find(b, "ID3"), {3, 4, 5, 6});
    add(Find(b, "TIT2"), {4, 8});
    add(Find(b, "TPE1"), {4, 8});
    add(Find(b, "APIC"), {4});
    add(Find(b, "APETAGEX"), {8, 12, 16, 20});
    for (size_t p = Find(b, "APETAGEX"); p != std::string::npos; p = Find(b, "APETAGEX", p + 1))
        add(p, {32, 36, 40});
    add(Find(b, "TAG"), {0});
    add(Find(b, "Xing"), {4, 8, 12});
    add(Find(b, "Info"), {4, 8, 12});
    add(Find(b, "LAME"), {17, 21, 22});
    add(Find(b, "RIFF"), {4});
    add(Find(b, "fmt "), {4, 8, 10, 12, 16, 20, 22});
    add(Find(b, "data"), {4});
    add(Find(b, "LIST"), {4});
    add(Find(b, "INAM"), {4});
    add(Find(b, "\x01vorbis"), {7, 11, 12, 16, 28});
    add(Find(b, "\x03vorbis"), {7, 11});
    add(Find(b, "\x05vorbis"), {7});
    for (size_t p = Find(b, "OggS"); p != std::string::npos; p = Find(b, "OggS", p + 1))
        add(p, {5, 6, 10, 14, 18, 26});
    add(Find(b, "OpusHead"), {8, 9, 10, 12, 16, 18});
    add(Find(b, "fLaC"), {5, 8, 12, 16, 18, 21, 22});
    // MP4 boxes: the sizes before their names, then their counts, times and offsets.
    for (const char* box : {"moov", "trak", "mdat", "moof", "traf"})
        if (const size_t p = Find(b, box); p != std::string::npos && p >= 4)
            add(p - 4, {0});
    add(Find(b, "mdhd"), {8, 12, 16, 20});
    add(Find(b, "elst"), {4, 8, 12, 16});
    for (const char* table : {"stts", "stsz", "stsc", "stco", "trun"})
        add(Find(b, table), {4, 8, 12, 16});
    add(Find(b, "esds"), {4, 12, 20, 28});
    add(Find(b, "\x30\x26\xB2\x75"), {16, 24, 46, 54}); // ASF: header object size and count
    add(Find(b, "COMM"), {4, 8, 10, 14});               // AIFF
    add(Find(b, "SSND"), {4, 8});
    return at;
}

// Ogg pages carry a CRC: without recomputing it every change inside a page is just a page
// the library drops, and the parsers behind it would never see the change.
uint32_t OggCrc(const uint8_t* data, size_t n)
{
    static uint32_t table[256];
    static bool made = false;
    if (!made)
    {
        for (uint32_t i = 0; i < 256; ++i)
        {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            table[i] = r;
        }
        made = true;
    }
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

// Headers, when set: the pages holding the Vorbis headers keep a wrong CRC after a change,
// so libogg drops them and only changes to audio pages reach the decoder. libvorbis 1.3.7
// divides by zero on some setup headers; this lets a run go past that.
bool SpareOggHeaders = false;

void FixOggCrcs(std::vector<uint8_t>& b)
{
    int page = 0;
    for (size_t p = Find(b, "OggS"); p != std::string::npos; p = Find(b, "OggS", p + 1), ++page)
    {
        if (SpareOggHeaders && page < 2)
            continue;
        if (p + 27 > b.size())
            break;
        const size_t segments = b[p + 26];
        if (p + 27 + segments > b.size())
            break;
        size_t body = 0;
        for (size_t s = 0; s < segments; ++s)
            body += b[p + 27 + s];
        const size_t end = p + 27 + segments + body;
        if (end > b.size())
            break;
        std::memset(&b[p + 22], 0, 4);
        const uint32_t crc = OggCrc(&b[p], end - p);
        for (int k = 0; k < 4; ++k)
            b[p + 22 + size_t(k)] = uint8_t(crc >> (8 * k));
    }
}

void Mutate(std::vector<uint8_t>& b, const std::vector<Fuzz::Bytes>& donors, Rng& rng)
{
    Fuzz::Mutate(b, donors, rng, FieldOffsets);
    if (rng() % 4 != 0)
        FixOggCrcs(b);
}

// ---- the operations under test -------------------------------------------------------------

[[noreturn]] void Fail(const char* what, uint64_t a, uint64_t b)
{
    std::fprintf(stderr, "\nFUZZ FAILURE: %s (%llu, %llu)\n", what, (unsigned long long)a,
                 (unsigned long long)b);
    std::fflush(stderr);
    std::abort();
}

uint64_t LevelReadBytes(const CAudioFile& file)
{
    const int32_t rate = file.GetFrequency();
    const auto frameBytes = uint64_t(std::max<int64_t>(file.Seconds2Bytes(1.0) / rate, 1));
    // 20 ms, but never more than one spectrum block (the decode buffer) per read.
    return uint64_t(std::clamp(rate / 50, 1, 8192)) * frameBytes;
}

void DecodeOnly(const std::string& path, Rng& rng)
{
    CAudioFile file;
    // Half the mutants without the in-memory cache: the passes then decode the file again.
    file.SetPreloadLimit(rng() % 2 ? 256ull << 20 : 0);
    if (!file.OpenDecoding(path))
        return;
    ++Counts.Decoded;
    const uint64_t length = file.GetLength();
    const int64_t perSecond = file.Seconds2Bytes(1.0);
    if (length == 0 || perSecond <= 0)
        Fail("opened with no length", length, uint64_t(perSecond));
    // One level read covers 20 ms (at least one frame).
    const uint64_t levelBytes = LevelReadBytes(file);
    const uint64_t maxLevels = length / levelBytes + 3;
    uint64_t reads = 0;
    while (file.GetLevel() != 0xFFFFFFFFu)
        if (++reads > maxLevels)
            Fail("level reads do not end", reads, length);
    for (int k = 0; k < 6; ++k)
    {
        const int64_t to = int64_t(rng() % (length + length / 4 + 1)) - int64_t(rng() % 3 == 0);
        file.SetPosition(k == 5 ? -int64_t(rng() % 100000) : to);
        for (int r = 0, m = int(rng() % 5); r < m; ++r)
            file.GetLevel();
        (void)file.GetPosition();
    }
    std::vector<float> bins(4096);
    for (int pass = 0; pass < 2; ++pass)
    {
        file.SetPosition(pass == 0 ? 0 : int64_t(rng() % (length + 1)));
        const uint64_t maxReads = length / 8192 + 3;
        reads = 0;
        while (file.GetSpectrum(bins.data()) == korvane::backend::ERead::Ok)
            if (++reads > maxReads)
                Fail("spectrum reads do not end", reads, length);
    }
}

void Analyse(CAudio& audio, const std::string& path)
{
    if (!audio.OpenForAnalysis(path))
        return;
    ++Counts.Analysed;
    const CSongAnalysis& analysis = audio.GetAnalysis();
    const uint64_t length = analysis.GetLengthBytes();
    // Level scan in 20 ms readings at the analysis rate (never above the song's own), then two
    // spectrum passes, one step per block; and steps that found the decoding thread behind.
    const auto frames = length / uint64_t(2 * analysis.GetChannels());
    const auto levelFrames = uint64_t(std::max(1, analysis.GetAnalysisRate() / 50));
    const uint64_t maxSteps = frames / levelFrames + 2 * (frames / 4096) + 20 + 2000;
    audio.GetAnalysis().StartDecoding();
    uint64_t steps = 0;
    int32_t last = 0;
    for (int32_t p; (p = audio.GetAnalysis().DecodeStep()) < 1000; last = p)
    {
        if (++steps > maxSteps)
            Fail("analysis does not end", steps, length);
        if (p < 0 || p > 1000)
            Fail("analysis progress out of range", uint64_t(p), uint64_t(last));
    }
    audio.GetAnalysis().RemoveJumps();
    audio.GetAnalysis().BuildWeapons();
    audio.CloseAnalysis();
}

void Playback(CAudio& audio, const std::string& path, Rng& rng)
{
    if (!audio.OpenMusic(path))
        return;
    ++Counts.Played;
    CAudioFile* music = audio.GetMusic();
    const uint64_t length = music->GetLength();
    audio.PlayMusic();
    std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 8));
    audio.PauseMusic();
    music->SetPosition(int64_t(rng() % (length + 1)));
    audio.ResumeMusic();
    std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 8));
    (void)music->GetPosition();
    (void)music->IsPlaying();
    if (rng() % 2)
        audio.StopMusic();
    audio.CloseMusic();
}

void RunOne(CAudio& audio, const std::string& path, Rng& rng)
{
    korvane::backend::STrackTags tags;
    Counts.Probed += korvane::backend::ProbeTrack(path, tags) ? 1 : 0;
    DecodeOnly(path, rng);
    Analyse(audio, path);
    if (rng() % 4 == 0)
        Playback(audio, path, rng);
}

long MaxRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}
} // namespace

int main(int argc, char** argv)
{
    Fuzz::SOptions options;
    if (!Fuzz::ReadOptions(
            argc, argv, 1000,
            {"--dir", "--replay", "--time-limit", "--spare-ogg-headers", "--format-songs"},
            "audio-fuzz [--iterations N] [--seed S] [--dir D] [--replay FILE] "
            "[--time-limit SECONDS] [--spare-ogg-headers 0|1] "
            "[--format-songs FOLDER]",
            options))
        return 2;
    const uint64_t iterations = options.Iterations, seed = options.Seed;
    const fs::path dir =
        options.Get("--dir", (fs::temp_directory_path() / "korvane-audio-fuzz").string());
    const std::string replay = options.Get("--replay", "");
    const auto timeLimit = unsigned(std::stoul(options.Get("--time-limit", "60")));
    SpareOggHeaders = options.Get("--spare-ogg-headers", "0") != "0";
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::FILE* quiet = std::fopen("/dev/null", "w");
    SetLogStream(quiet);
    Fuzz::ReportHangsOnAlarm();
    fs::create_directories(dir);

    CAudio audio;
    if (!audio.Init())
    {
        std::fprintf(stderr, "audio-fuzz: no audio engine\n");
        return 1;
    }
    if (!replay.empty())
    {
        Rng rng(seed);
        alarm(timeLimit);
        RunOne(audio, replay, rng);
        alarm(0);
        std::printf("replayed %s: no fault\n", replay.c_str());
        audio.Shutdown();
        return 0;
    }

    std::vector<SSeed> seeds;
    const std::string formatSongs = options.Get("--format-songs", "");
    if (!MakeSeeds(dir, seeds) || (!formatSongs.empty() && !AddFormatSongs(formatSongs, seeds)))
    {
        std::fprintf(stderr, "audio-fuzz: could not make the seed songs\n");
        return 1;
    }
    std::vector<Fuzz::Bytes> donors;
    for (const SSeed& s : seeds)
        donors.push_back(s.Bytes);
    const auto start = std::chrono::steady_clock::now();
    for (uint64_t i = 0; i < iterations; ++i)
    {
        Rng rng(seed * 1000003ull + i);
        const SSeed& base = seeds[rng() % seeds.size()];
        std::vector<uint8_t> bytes = base.Bytes;
        Mutate(bytes, donors, rng);
        // Now and then a file whose name says one thing and whose content is another.
        const std::string ext = rng() % 8 == 0 ? seeds[rng() % seeds.size()].Ext : base.Ext;
        const std::string path = (dir / ("current" + ext)).string();
        sf::WriteBytes(path, bytes);
        if (i % 1000 == 0)
            std::fprintf(stderr, "mutant %llu/%llu (seed %llu, %zu bytes, rss %ld MB)\n",
                         (unsigned long long)i, (unsigned long long)iterations,
                         (unsigned long long)seed, bytes.size(), MaxRssMb());
        alarm(timeLimit);
        RunOne(audio, path, rng);
        alarm(0);
        fs::remove(path);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("\n%llu mutants, seed %llu, %.0f s, max rss %ld MB: no fault\n"
                "probed %llu, decoded %llu, analysed %llu, played %llu\n",
                (unsigned long long)iterations, (unsigned long long)seed, seconds, MaxRssMb(),
                (unsigned long long)Counts.Probed, (unsigned long long)Counts.Decoded,
                (unsigned long long)Counts.Analysed, (unsigned long long)Counts.Played);
    audio.Shutdown();
    std::fclose(quiet);
    return 0;
}
