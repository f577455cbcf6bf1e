#pragma once
#include "audio/backend/reads/BlockNotes.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

class CAudioMap;
class CSample;
namespace korvane::backend
{
class CAnalysisFeed;
}

// The analysis of the song the battle is about to play, driven one step at a time by the
// loading screen: the peak level scan, two interleaved FFT passes, the loudness of 96 notes in
// each half block, and the hand-over of those samples to the audio map, whose clean-up and
// weapons follow. The engine owns one, with the map, for every song.
// The song is decoded once, ahead, on a thread of the feed's own: the scan steps read it,
// measure its peaks and keep the 96 note magnitudes of every half block, and the pass steps
// make the samples from those once the level multiplier is known.
// Main thread only (the decoding thread is the feed's and never calls in here).
class CSongAnalysis
{
public:
    CSongAnalysis();
    virtual ~CSongAnalysis();
    CSongAnalysis(const CSongAnalysis&) = delete;
    CSongAnalysis& operator=(const CSongAnalysis&) = delete;

    void CreateMap(); // an empty map and the notes' frequencies; at the engine's start
    void FreeMap();
    CAudioMap* GetMap() { return Map.get(); }

    // The song, decoding ahead from its first frame, and the bin of every note at the rate it
    // is analysed at; false (logged) when the file cannot be opened as a song.
    bool Open(const std::string& path);
    void Close(); // stops the decoding and gives back what the passes still held

    void BuildNoteFrequencies();
    void BuildNoteBins();
    void StartDecoding();
    int32_t DecodeStep();    // progress in thousandths; 1000 when the map is filled
    int32_t LevelScanStep(); // 0..100
    int32_t SpectrumStep();  // 100..1000
    void RemoveJumps();
    void BuildWeapons();

    // Read-only views for tools and tests.
    float GetLevelMultiplier() const { return LevelMultiplier; }
    int32_t GetMaxLevelLeft() const { return MaxLevelLeft; }
    int32_t GetMaxLevelRight() const { return MaxLevelRight; }
    const float* GetNoteFrequencies() const { return NoteFrequencies; }
    const int32_t* GetNoteBins() const { return NoteBins; }
    // The open song's stream (sample positions count its bytes) and the rate it is analysed
    // at; 0 when no song is open.
    int32_t GetSongRate() const;
    int32_t GetChannels() const;
    uint64_t GetLengthBytes() const;
    int32_t GetAnalysisRate() const;

private:
    void PlanPasses(); // at the end of the scan: how many samples each pass makes
    int32_t EndPass(); // 550 after pass 1; after pass 2 fills the map and gives 1000
    void DropPassSamples();

    std::unique_ptr<korvane::backend::CAnalysisFeed> Feed;
    bool LevelScanDone = false;
    float LevelMultiplier = 1.0f;
    int32_t MaxLevelLeft = 1;
    int32_t MaxLevelRight = 1;
    std::unique_ptr<CAudioMap> Map;
    float NoteFrequencies[96] = {};
    int32_t NoteBins[96] = {};
    std::list<CSample*> PassOneSamples;
    std::list<CSample*> PassTwoSamples;
    // In frames of the analysis: read by the scan so far, where the next block of the pass
    // under way begins, where each pass begins and how many samples each makes.
    int64_t ScanFrames = 0;
    int64_t BlockStart = 0;
    int32_t Pass = 1;
    int64_t PassStart[2] = {};
    int64_t PassBlocks[2] = {};
    int64_t PassMade = 0;
    korvane::backend::CBlockNotes Notes;
    std::vector<int16_t> Reading; // what one scan step reads, interleaved
};
