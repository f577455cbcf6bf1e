#include "audio/map/AudioMap.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
// A sample whose dominant note the map will pick: one loud note of its own.
CSample* MakeSample(int64_t position, int32_t note, int32_t level)
{
    auto* sample = new CSample();
    sample->SetPosition(position);
    sample->SetLevel(note, level);
    return sample;
}

// Fills a map with samples 100 bytes apart and then forces their dominant notes, so the
// clean-up passes can be fed exact melody lines.
void FillMap(CAudioMap& map, const std::vector<int32_t>& notes, const std::vector<int32_t>& levels)
{
    for (size_t i = 0; i < notes.size(); ++i)
        map.AddSample(MakeSample(int64_t(i) * 100, notes[i], levels[i]));
    size_t i = 0;
    for (const auto& sample : map.GetSamples())
        sample->SetDominant(notes[i++]);
}

std::vector<int32_t> Dominants(const CAudioMap& map)
{
    std::vector<int32_t> notes;
    for (const auto& sample : map.GetSamples())
        notes.push_back(sample->GetDominant());
    return notes;
}

std::vector<SampleKind> Kinds(const CAudioMap& map)
{
    std::vector<SampleKind> kinds;
    for (const auto& sample : map.GetSamples())
        kinds.push_back(sample->GetKind());
    return kinds;
}

TEST(AudioMapTest, AddSampleSearchesNearThePreviousNote)
{
    struct SCase
    {
        int32_t PreviousNote; // -1: the map is empty
        int32_t Dominant;
    };
    // The new sample is loudest at note 40 (octave 3) and has a weaker E at 52.
    const SCase cases[] = {{-1, 40}, {45, 40}, {47, 52}, {80, 52}, {30, 40}};
    for (const auto& c : cases)
    {
        CAudioMap map;
        if (c.PreviousNote >= 0)
        {
            map.AddSample(MakeSample(0, 60, 500));
            map.GetSamples().back()->SetDominant(c.PreviousNote);
        }
        CSample* sample = MakeSample(100, 40, 900);
        sample->SetLevel(52, 100);
        map.AddSample(sample);
        EXPECT_EQ(sample->GetDominant(), c.Dominant) << "after note " << c.PreviousNote;
    }
}

TEST(AudioMapTest, SmoothNotesCarriesTheMelodyButNeverTouchesTheEnds)
{
    CAudioMap map;
    // Every sample is equally loud at 60 and 61, so each middle sample takes its predecessor's.
    for (int i = 0; i < 5; ++i)
    {
        CSample* sample = MakeSample(i * 100, 60, 500);
        sample->SetLevel(61, 500);
        map.AddSample(sample);
    }
    const std::vector<int32_t> notes = {60, 61, 60, 61, 61};
    size_t i = 0;
    for (const auto& sample : map.GetSamples())
        sample->SetDominant(notes[i++]);
    map.SmoothNotes();
    EXPECT_EQ(Dominants(map), (std::vector<int32_t>{60, 60, 60, 60, 61}));

    CAudioMap pair;
    FillMap(pair, {60, 61}, {500, 500});
    pair.SmoothNotes();
    EXPECT_EQ(Dominants(pair), (std::vector<int32_t>{60, 61}));
}

TEST(AudioMapTest, CorrectOutliersRepicksFarNotesWithinTheWindow)
{
    // Window of 20: nineteen 60s and an 80 that also has some G# at 68. The average is 61, so
    // the 80 is re-picked within 49..73.
    std::vector<int32_t> notes(20, 60);
    notes[10] = 80;
    CAudioMap map;
    FillMap(map, notes, std::vector<int32_t>(20, 500));
    auto it = std::next(map.GetSamples().begin(), 10);
    (*it)->SetLevel(80, 900);
    (*it)->SetLevel(68, 500);
    map.CorrectOutliers();
    auto expected = std::vector<int32_t>(20, 60);
    expected[10] = 68;
    EXPECT_EQ(Dominants(map), expected);
}

TEST(AudioMapTest, CorrectOutliersUsesEachWindowsOwnAverageAndThePreviousNote)
{
    // Two windows: 20 notes around 40, then 5 at 72. In the first, a 70 after a 50: the
    // average is 42, the range 36..54 is narrowed to 44..54 by the 50 before it, so the
    // loud octave-3 E at 40 is out of reach and the E at 52 wins.
    std::vector<int32_t> notes(25, 40);
    notes[9] = 50;
    notes[10] = 70;
    for (int i = 20; i < 25; ++i)
        notes[i] = 72;
    CAudioMap map;
    FillMap(map, notes, std::vector<int32_t>(25, 500));
    auto it = std::next(map.GetSamples().begin(), 10);
    (*it)->SetLevel(40, 900);
    (*it)->SetLevel(52, 300);
    map.CorrectOutliers();
    auto expected = notes;
    expected[10] = 52;
    EXPECT_EQ(Dominants(map), expected);
}

TEST(AudioMapTest, FoldOctavesMovesLoudNotesTowardTheirLoudNeighbours)
{
    struct SCase
    {
        const char* Name;
        std::vector<int32_t> Notes;
        std::vector<int32_t> Levels;
        std::vector<int32_t> Folded;
    };
    const SCase cases[] = {
        {"above both neighbours", {60, 86, 62}, {500, 500, 500}, {60, 74, 62}},
        {"the first sample is never moved", {86, 60, 60}, {500, 500, 500}, {86, 84, 60}},
        {"no loud sample after it", {60, 86}, {500, 500}, {60, 86}},
        {"below both neighbours", {72, 40, 80}, {500, 500, 500}, {72, 64, 80}},
        {"below the previous only", {72, 50, 40}, {500, 500, 500}, {72, 62, 40}},
        {"above the previous only", {40, 70, 90}, {500, 500, 500}, {40, 46, 90}},
        {"quiet samples are skipped and left alone",
         {60, 30, 86, 20, 62, 60, 60, 60, 60, 60},
         {500, 0, 500, 0, 500, 500, 500, 500, 500, 500},
         {60, 30, 74, 20, 62, 60, 60, 60, 60, 60}},
        {"a moved note is the next one's previous",
         {36, 86, 90, 40},
         {500, 500, 500, 500},
         {36, 38, 42, 40}},
    };
    for (const auto& c : cases)
    {
        CAudioMap map;
        FillMap(map, c.Notes, c.Levels);
        std::vector<int32_t> before;
        for (const auto& sample : map.GetSamples())
            before.push_back(sample->GetDominantLevel());
        map.FoldOctaves();
        EXPECT_EQ(Dominants(map), c.Folded) << c.Name;
        std::vector<int32_t> after;
        for (const auto& sample : map.GetSamples())
            after.push_back(sample->GetDominantLevel());
        EXPECT_EQ(after, before) << c.Name << ": a moved note keeps its level";
    }
}

TEST(AudioMapTest, MinIntensityIsTheTenthPercentileInStepsOfTen)
{
    struct SCase
    {
        std::vector<int32_t> Levels;
        int32_t MinIntensity;
    };
    const SCase cases[] = {
        {{500, 500, 500}, 500},
        {{995, 995}, 990},
        {{1000}, 990},
        {{5, 5, 5}, 10},
        {{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}, 200},
        {{0, 500, 500, 500, 500, 500, 500, 500, 500, 500}, 500},
        {{0, 0, 500, 500, 500, 500, 500, 500, 500, 500}, 10},
        {{}, 10},
    };
    for (const auto& c : cases)
    {
        CAudioMap map;
        FillMap(map, std::vector<int32_t>(c.Levels.size(), 60), c.Levels);
        map.FoldOctaves();
        EXPECT_EQ(map.GetMinIntensity(), c.MinIntensity) << c.Levels.size() << " samples";
        EXPECT_EQ(map.GetHistogram()[0], int32_t(c.Levels.size()));
        map.ClassifyWeapons();
        int32_t loud = 0;
        for (int32_t level : c.Levels)
            loud += level >= c.MinIntensity;
        EXPECT_EQ(map.GetWeaponCount(), loud);
    }
}

TEST(AudioMapTest, ClassifyWeaponsJoinsRunsOfTheSameLoudNote)
{
    struct SCase
    {
        std::vector<int32_t> Notes;
        std::vector<int32_t> Levels;
        std::vector<SampleKind> Kinds;
    };
    using K = SampleKind;
    const SCase cases[] = {
        {{60, 60, 60, 62},
         {500, 500, 500, 500},
         {K::HoldStart, K::HoldMiddle, K::HoldEnd, K::Single}},
        {{60, 60, 60}, {500, 0, 500}, {K::Single, K::None, K::Single}},
        {{60, 60}, {500, 500}, {K::HoldStart, K::HoldEnd}},
        {{60}, {500}, {K::Single}},
    };
    for (const auto& c : cases)
    {
        CAudioMap map;
        FillMap(map, c.Notes, c.Levels);
        map.FoldOctaves();
        map.ClassifyWeapons();
        EXPECT_EQ(Kinds(map), c.Kinds);
    }
}

TEST(AudioMapTest, ClearEmptiesTheMapButKeepsMinIntensity)
{
    CAudioMap map;
    FillMap(map, {60, 60, 60}, {500, 500, 500});
    map.FoldOctaves();
    map.ClassifyWeapons();
    map.SilenceLastSample();
    EXPECT_EQ(map.GetSamples().back()->GetDominantLevel(), 0);
    map.Clear();
    EXPECT_TRUE(map.GetSamples().empty());
    EXPECT_EQ(map.GetWeaponCount(), 0);
    EXPECT_EQ(map.GetHistogram()[0], 0);
    EXPECT_EQ(map.GetMinIntensity(), 500);
    map.SilenceLastSample();
}
} // namespace
