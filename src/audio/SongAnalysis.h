#pragma once
#include "audio/AudioFile.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

class CAudioMap;
class CSample;

// The analysis of the song the battle is about to play, driven one step at a time by the
// loading screen: the peak level scan, two interleaved FFT passes over a decode-only stream,
// the loudness of 96 notes in each half block, and the hand-over of those samples to the audio
// map, whose clean-up and weapons follow. The engine owns one, with the map, for every song.
// Main thread only.
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

    // The decode-only stream, and the bin of every note at its rate; false when the file
    // cannot be opened as a song (logged by the stream).
    bool Open(const std::string& path);
    void Close();

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
    CAudioFile* GetAnalysisStream() { return &AnalysisStream; }

private:
    int32_t EndPass(); // 550 after pass 1; after pass 2 fills the map and gives 1000
    void DropPassSamples();

    CAudioFile AnalysisStream;
    bool LevelScanDone = false;
    float LevelMultiplier = 1.0f;
    int32_t MaxLevelLeft = 1;
    int32_t MaxLevelRight = 1;
    std::unique_ptr<CAudioMap> Map;
    float Spectrum[4096] = {};
    float NoteFrequencies[96] = {};
    int32_t NoteBins[96] = {};
    std::list<CSample*> PassOneSamples;
    std::list<CSample*> PassTwoSamples;
    int64_t BlockStart = 0;
    int32_t Pass = 1;
    int32_t BlockBytes = 0;
};
