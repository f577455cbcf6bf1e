#pragma once
#include "audio/Sample.h"

#include <cstdint>
#include <list>
#include <memory>

// The analysed song: its samples in time order, the clean-up passes that turn their spectra
// into a melody line, the weapon classification, and the battle's per-frame lookups.
// One map lives in CAudio and is reused for every song. Main thread only.
class CAudioMap
{
public:
    using SampleList = std::list<std::unique_ptr<CSample>>;

    CAudioMap() = default;
    virtual ~CAudioMap();
    CAudioMap(const CAudioMap&) = delete;
    CAudioMap& operator=(const CAudioMap&) = delete;

    // Deletes every sample; MinIntensity keeps its value.
    void Clear();
    // Takes ownership; picks the sample's dominant note near the previous one.
    void AddSample(CSample* sample);
    void SilenceLastSample();

    // Clean-up passes, in the order RemoveJumps runs them.
    void SmoothNotes();
    void CorrectOutliers();
    void FoldOctaves(); // also sets MinIntensity and logs it
    void BuildIntensityHistogram();
    void CountIntensity(int32_t level);
    // Highest multiple of 10 that percent % of the samples reach (10 when none, and for an
    // empty map, which has no weapon either way).
    int32_t FindMinIntensity(int32_t percent) const;

    void ClassifyWeapons();
    int32_t GetWeaponCount() const { return WeaponCount; }
    int32_t GetMinIntensity() const { return MinIntensity; }
    const int32_t* GetHistogram() const { return Histogram; }

    // Battle lookups. Positions are bytes of the decoded song.
    void ResetCursor() { Cursor = Samples.begin(); }
    // The last sample that starts strictly before position, searching from the cursor;
    // null for a negative position or an empty map. Does not move the cursor.
    CSample* FindSample(int64_t position) const;
    // Uncaught weapons whose whole stretch lies behind position, each counted once; *note is
    // the dominant note of the last one counted (0 if none). Moves the cursor forward.
    int32_t CountPassedWeapons(int64_t position, int32_t* note);

    const SampleList& GetSamples() const { return Samples; }

private:
    SampleList Samples;
    SampleList::iterator Cursor = Samples.begin();
    int32_t Histogram[100] = {};
    int32_t MinIntensity = 0;
    int32_t WeaponCount = 0;
};
