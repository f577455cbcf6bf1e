#include "audio/SongAnalysis.h"

#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/reads/AnalysisFeed.h"
#include "audio/backend/reads/Levels.h"
#include "audio/map/AudioMap.h"
#include "audio/map/Sample.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

using korvane::backend::CAnalysisFeed;
using korvane::backend::CBlockNotes;
using korvane::backend::CDecodeAhead;

namespace
{
constexpr int32_t NoteCount = 96;
constexpr int32_t FftSize = 8192;
constexpr int64_t BlockFrames = CBlockNotes::BlockFrames;
constexpr int32_t ScanDone = 100;
constexpr int32_t PassOneDone = 550;
constexpr int32_t AnalysisDone = 1000;
// The longest a step waits for the decoding thread: on a slow disk the loading screen goes on
// answering the player between steps.
constexpr int ReadWaitMs = 2;

// Truncation toward zero; saturates instead of overflowing on absurd spectra.
int32_t TruncateToInt32(double value)
{
    if (!(value > -2147483648.0)) // also NaN
        return value < 0 ? INT32_MIN : 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    return int32_t(value);
}

// What one scan step reads: half a second of the song (a few hundred thousand frames of many
// channels at most). The loading screen's loop runs once per step, and its own work per turn
// (reading the window's events) costs more than measuring a 20 ms stretch.
int64_t ReadingFrames(int rate, int64_t limit)
{
    return std::clamp<int64_t>(rate / 2, 1, limit);
}
} // namespace

CSongAnalysis::CSongAnalysis() = default;

CSongAnalysis::~CSongAnalysis()
{
    Close();
    DropPassSamples();
}

// Samples of an abandoned analysis are owned by the pass lists until the map takes them;
// nobody else would free them.
void CSongAnalysis::DropPassSamples()
{
    for (std::list<CSample*>* list : {&PassOneSamples, &PassTwoSamples})
    {
        for (CSample* sample : *list)
            delete sample;
        list->clear();
    }
}

void CSongAnalysis::CreateMap()
{
    Map = std::make_unique<CAudioMap>();
    BuildNoteFrequencies();
}

void CSongAnalysis::FreeMap()
{
    Map.reset();
}

bool CSongAnalysis::Open(const std::string& path)
{
    Close();
    Feed = CAnalysisFeed::Open(path);
    if (!Feed || !Notes.Create())
    {
        Feed.reset();
        korvane::backend::LogRefusal(path);
        return false;
    }
    BuildNoteBins();
    Reading.resize(
        size_t(ReadingFrames(Feed->FrameRate(), Feed->ReadLimit() / 2) * Feed->Channels()));
    ScanFrames = 0;
    Notes.Reset(NoteBins);
    return true;
}

void CSongAnalysis::Close()
{
    Feed.reset();
    Notes.Reset(NoteBins);
}

int32_t CSongAnalysis::GetSongRate() const
{
    return Feed ? Feed->SongRate() : 0;
}

int32_t CSongAnalysis::GetChannels() const
{
    return Feed ? Feed->Channels() : 0;
}

uint64_t CSongAnalysis::GetLengthBytes() const
{
    return Feed ? uint64_t(Feed->LengthBytes()) : 0;
}

int32_t CSongAnalysis::GetAnalysisRate() const
{
    return Feed ? Feed->FrameRate() : 0;
}

void CSongAnalysis::BuildNoteFrequencies()
{
    for (int32_t n = 0; n < NoteCount; ++n)
    {
        const float exponent = float((n - 57) / 12.0);
        NoteFrequencies[n] = float(440.0 * std::pow(2.0, double(exponent)));
    }
}

void CSongAnalysis::BuildNoteBins()
{
    // One upward sweep: each note reads the highest bin not above its frequency (never bin 0).
    const double rate = Feed ? Feed->FrameRate() : 1;
    int32_t bin = 1;
    for (int32_t n = 0; n < NoteCount; ++n)
    {
        while (bin != FftSize - 1)
        {
            const float binHz = float(rate * bin / double(FftSize));
            if (NoteFrequencies[n] >= binHz)
                ++bin;
            else
            {
                bin = std::max(bin - 1, 1);
                break;
            }
        }
        NoteBins[n] = bin;
    }
}

void CSongAnalysis::StartDecoding()
{
    if (Map)
        Map->Clear();
    DropPassSamples();
    LevelScanDone = false;
    MaxLevelLeft = 1;
    MaxLevelRight = 1;
    // A song read before is read again from its first frame.
    if (Feed && ScanFrames > 0 && !Feed->Rewind())
        Log("Could not read the song again from its start\n");
    ScanFrames = 0;
    Notes.Reset(NoteBins);
}

int32_t CSongAnalysis::DecodeStep()
{
    if (LevelScanDone)
        return SpectrumStep();

    const int32_t progress = LevelScanStep();
    if (progress >= ScanDone)
    {
        Log("Max Level : %d-%d\n", MaxLevelLeft, MaxLevelRight);
        LevelMultiplier = float(32767.0 / std::max(MaxLevelLeft, MaxLevelRight));
        Log("Level Multiplicator : %f\n", LevelMultiplier);
        LevelScanDone = true;
        PlanPasses();
        Pass = 1;
        BlockStart = PassStart[0];
        PassMade = 0;
    }
    return progress;
}

int32_t CSongAnalysis::LevelScanStep()
{
    const int64_t length = Feed ? Feed->Frames() : 0;
    if (ScanFrames >= length)
        return ScanDone;

    const int64_t want = std::min(int64_t(Reading.size()) / Feed->Channels(), length - ScanFrames);
    const int64_t got = Feed->Read(Reading.data(), want, ReadWaitMs);
    if (got == CDecodeAhead::NotYet)
        return int32_t(ScanFrames * 100 / length); // the same figure again: nothing new to show
    if (got <= 0)
        return ScanDone; // the song ended early or could not be read on

    const uint32_t level = korvane::backend::PackedPeakLevel(Reading.data(), got, Feed->Channels());
    MaxLevelLeft = std::max(MaxLevelLeft, int32_t(level & 0xFFFF));
    MaxLevelRight = std::max(MaxLevelRight, int32_t((level >> 16) & 0xFFFF));
    // The spectra of the passes come from this same reading of the song.
    Notes.Feed(Reading.data(), got, Feed->Channels());
    ScanFrames += got;
    return int32_t(ScanFrames * 100 / length);
}

void CSongAnalysis::PlanPasses()
{
    // A block makes a sample when it begins before the end of what was decoded and ends before
    // the end of the song: the block that reaches the end makes none. A song that could not
    // be decoded to its end ends with the part of a block it gave, padded with silence.
    const int64_t length = Feed ? Feed->Frames() : 0;
    const int64_t decoded = ScanFrames;
    const auto blocks = [&](int64_t start)
    {
        int64_t count = 0;
        for (int64_t b = start; b < decoded && std::min(b + BlockFrames, decoded) < length;
             b += BlockFrames)
            ++count;
        return count;
    };
    PassStart[0] = 0;
    PassBlocks[0] = blocks(PassStart[0]);
    // The second pass starts half the first block in.
    PassStart[1] = std::min(decoded, BlockFrames) / 2;
    PassBlocks[1] = PassBlocks[0] > 0 ? blocks(PassStart[1]) : 0;
    for (int p = 0; p < 2; ++p)
    {
        const int64_t last = PassStart[p] + (PassBlocks[p] - 1) * BlockFrames;
        if (PassBlocks[p] > 0 && last + BlockFrames > decoded)
            Notes.AddPartialBlock(p, last);
    }
}

int32_t CSongAnalysis::SpectrumStep()
{
    CBlockNotes::SNotes notes;
    if (PassMade >= PassBlocks[Pass - 1] || !Notes.Take(Pass - 1, notes))
        return EndPass();

    auto* sample = new CSample();
    sample->SetPosition(Feed ? Feed->StreamBytes(BlockStart) : 0);
    for (int32_t n = 0; n < NoteCount; ++n)
    {
        const double value = double(notes[size_t(n)]) * double(LevelMultiplier) * 1000.0;
        sample->SetNoteLevel(n, TruncateToInt32(value));
    }
    (Pass == 1 ? PassOneSamples : PassTwoSamples).push_back(sample);
    ++PassMade;

    // The block's end: where the next one begins, or where the decoded song ended.
    const int64_t end = std::min(BlockStart + BlockFrames, ScanFrames);
    BlockStart += BlockFrames;
    const int64_t length = std::max<int64_t>(Feed ? Feed->Frames() : 0, 1);
    int64_t progress = int64_t(Pass - 1) * 900 + end * 900 / length;
    if (progress >= 1800)
        progress = 1799;
    return int32_t(progress / 2 + 100);
}

int32_t CSongAnalysis::EndPass()
{
    if (Pass == 1)
    {
        Log("pass 1 over\n");
        Pass = 2;
        BlockStart = PassStart[1];
        PassMade = 0;
        return PassOneDone;
    }

    Log("pass 2 over\n");
    // Interleaved, the two passes give one sample every half block in time order.
    while (!PassOneSamples.empty() || !PassTwoSamples.empty())
        for (std::list<CSample*>* list : {&PassOneSamples, &PassTwoSamples})
            if (!list->empty())
            {
                CSample* sample = list->front();
                list->pop_front();
                if (Map)
                    Map->AddSample(sample);
                else
                    delete sample;
            }
    if (Map)
        Map->SilenceLastSample();
    return AnalysisDone;
}

void CSongAnalysis::RemoveJumps()
{
    if (!Map)
        return;
    Map->SmoothNotes();
    Map->CorrectOutliers();
    Map->FoldOctaves();
    Map->SmoothNotes();
}

void CSongAnalysis::BuildWeapons()
{
    if (Map)
        Map->ClassifyWeapons();
}
