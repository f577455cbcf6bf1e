#pragma once
#include "audio/map/Sample.h"

#include <cstdint>
#include <list>
#include <memory>
#include <vector>

// The analysed song: its samples in time order, the clean-up passes that turn their spectra
// into a melody line and the weapon classification. One map lives in CAudio and is reused for
// every song; the battle reads it as it is (CLaneTrack). Main thread only.
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
    // A map laid out by hand, as the analysis would leave it: stretches of a note (0: silence)
    // from their positions on, each a weapon of the kind its neighbours give it. For the audio
    // sync screen's clicks and for tests.
    struct SStretch
    {
        int64_t Position;
        int32_t Note;
    };
    void Lay(const std::vector<SStretch>& stretches);
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

    const SampleList& GetSamples() const { return Samples; }

private:
    void ClassifyKinds(); // every sample from its neighbours; counts the weapons

    SampleList Samples;
    int32_t Histogram[100] = {};
    int32_t MinIntensity = 0;
    int32_t WeaponCount = 0;
};
