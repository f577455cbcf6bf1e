#include "audio/SongAnalysis.h"

#include "audio/map/AudioMap.h"
#include "audio/map/Sample.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{
constexpr int32_t NoteCount = 96;
constexpr int32_t FftSize = 8192;
constexpr int32_t SpectrumBins = FftSize / 2;
constexpr int32_t ScanDone = 100;
constexpr int32_t PassOneDone = 550;
constexpr int32_t AnalysisDone = 1000;

// Truncation toward zero; saturates instead of overflowing on absurd spectra.
int32_t TruncateToInt32(double value)
{
    if (!(value > -2147483648.0)) // also NaN
        return value < 0 ? INT32_MIN : 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    return int32_t(value);
}
} // namespace

CSongAnalysis::CSongAnalysis() = default;

CSongAnalysis::~CSongAnalysis()
{
    AnalysisStream.Close();
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
    if (!AnalysisStream.OpenDecoding(path))
        return false;
    BuildNoteBins();
    return true;
}

void CSongAnalysis::Close()
{
    AnalysisStream.Close();
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
    const double rate = AnalysisStream.GetFrequency();
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
    AnalysisStream.SetPosition(0);
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
        AnalysisStream.SetPosition(0);
        BlockStart = int64_t(AnalysisStream.GetPosition());
        Pass = 1;
    }
    return progress;
}

int32_t CSongAnalysis::LevelScanStep()
{
    const uint64_t position = AnalysisStream.GetPosition();
    const uint64_t length = AnalysisStream.GetLength();
    if (position >= length)
        return ScanDone;

    const uint32_t level = AnalysisStream.GetLevel();
    if (level == 0xFFFFFFFFu)
        return ScanDone;
    const auto left = int32_t(level & 0xFFFF);
    const auto right = int32_t((level >> 16) & 0xFFFF);
    MaxLevelLeft = std::max(MaxLevelLeft, left);
    MaxLevelRight = std::max(MaxLevelRight, right);

    const uint64_t now = AnalysisStream.GetPosition();
    if (now == position) // a reading that does not move on would never reach the end
        return ScanDone;
    return int32_t(now * 100 / length);
}

int32_t CSongAnalysis::SpectrumStep()
{
    // A failed read leaves the previous block's spectrum in place, so read aside first.
    float magnitudes[SpectrumBins];
    const uint64_t before = AnalysisStream.GetPosition();
    const ESpectrumRead read = AnalysisStream.GetSpectrum(magnitudes);
    if (read == ESpectrumRead::Ended)
        return EndPass();
    if (read == ESpectrumRead::Ok)
        std::copy(std::begin(magnitudes), std::end(magnitudes), Spectrum);

    const uint64_t position = AnalysisStream.GetPosition();
    const uint64_t length = AnalysisStream.GetLength();
    if (read == ESpectrumRead::Failed && position == before)
        return EndPass(); // the same block again at every step would never end
    if (position >= length)
        return EndPass(); // the block that reaches the end makes no sample

    if (PassOneSamples.empty())
        BlockBytes = int32_t(uint32_t(position));

    auto* sample = new CSample();
    sample->SetPosition(BlockStart);
    for (int32_t n = 0; n < NoteCount; ++n)
    {
        // Notes above the spectrum (very low sample rates) read as silent.
        const int32_t bin = NoteBins[n];
        double value = 0.0;
        if (bin >= 0 && bin < SpectrumBins)
            value = double(Spectrum[bin]) * double(LevelMultiplier) * 1000.0;
        sample->SetNoteLevel(n, TruncateToInt32(value));
    }
    (Pass == 1 ? PassOneSamples : PassTwoSamples).push_back(sample);

    BlockStart = int64_t(AnalysisStream.GetPosition());
    uint64_t progress = uint64_t(Pass - 1) * 900 + uint64_t(BlockStart) * 900 / length;
    if (progress >= 1800)
        progress = 1799;
    return int32_t(progress / 2 + 100);
}

int32_t CSongAnalysis::EndPass()
{
    if (Pass == 1)
    {
        Log("pass 1 over\n");
        AnalysisStream.SetPosition(BlockBytes / 2);
        Pass = 2;
        BlockStart = int64_t(AnalysisStream.GetPosition());
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
