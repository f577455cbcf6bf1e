#include "audio/map/Sample.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace
{
struct SNoteLevelCase
{
    int32_t Note;
    int32_t Value;
    int32_t Stored;
};

TEST(SampleTest, SetNoteLevelAppliesLoudnessCurveWithTruncation)
{
    const SNoteLevelCase cases[] = {
        {72, 150, 1000}, // 1500 clamped
        {36, 150, 825},  // 1500 × 0.55
        {20, 50, 500},   // no weight below note 36
        {35, 100, 1000}, // unweighted, clamped
        {95, 10, 56},    // 100 × 0.57 is just below 57
        {59, 15, 122},   // 150 × 0.82 is just below 123
        {85, 9, 62},     // 90 × 0.70 is just below 63
        {94, 5, 28},     // 50 × 0.58 is just below 29
        {73, 50, 485},   // first note above the peak of the curve
        {60, 0, 0},      {57, 100, 800},
    };
    for (const auto& c : cases)
    {
        CSample sample;
        sample.SetNoteLevel(c.Note, c.Value);
        EXPECT_EQ(sample.GetLevel(c.Note), c.Stored) << "note " << c.Note << " value " << c.Value;
    }
}

struct SDominantCase
{
    const char* Name;
    std::vector<std::pair<int32_t, int32_t>> Levels; // note, level
    int32_t Low;
    int32_t High;
    int32_t Dominant;
};

TEST(SampleTest, FindDominantPicksPitchClassThenOctave)
{
    const SDominantCase cases[] = {
        {"only octave 3 is loud: class C, highest C wins the 0 >= 0 ties", {{40, 100}}, 36, 95, 84},
        {"silence", {}, 36, 95, 84},
        {"equal sums for E and G pick E", {{52, 100}, {55, 100}}, 36, 95, 52},
        {"equal octaves pick the higher", {{60, 200}, {72, 200}}, 36, 95, 72},
        {"octave 3 chosen when loudest", {{40, 900}, {52, 100}, {64, 100}}, 36, 95, 40},
        {"nothing reaches the level at low", {{37, 900}, {60, 100}}, 37, 95, 37},
        {"notes above high are ignored", {{60, 500}, {84, 900}, {81, 600}}, 36, 80, 60},
        {"notes below low are ignored", {{60, 900}, {74, 500}}, 62, 95, 74},
        {"low above high stays at low", {{60, 900}}, 84, 52, 84},
    };
    for (const auto& c : cases)
    {
        CSample sample;
        for (const auto& [note, level] : c.Levels)
            sample.SetLevel(note, level);
        sample.FindDominant(c.Low, c.High);
        EXPECT_EQ(sample.GetDominant(), c.Dominant) << c.Name;
    }
}

struct SStabilizeCase
{
    int32_t Previous;
    int32_t Own;
    int32_t LevelAtOwn;
    int32_t LevelAtPrevious;
    int32_t Result;
};

TEST(SampleTest, StabilizeNoteKeepsPreviousNoteUnlessClearlyLouder)
{
    const SStabilizeCase cases[] = {
        {60, 72, 500, 250, 60}, // octave: 250 < 300
        {60, 72, 550, 250, 72}, // octave: 300 is not below 300
        {60, 61, 500, 490, 60}, // step: 10 < 15
        {60, 61, 500, 480, 61}, // step: 20
        {60, 59, 500, 486, 60}, // downwards, 14
        {60, 71, 500, 485, 71}, // 11 semitones is still a step: 15
        {60, 84, 500, 201, 60}, // two octaves: 299
        {60, 75, 500, 351, 60}, // leap: 149 < 150
        {60, 75, 500, 350, 75}, // leap: 150
        {60, 48, 250, 500, 60}, // own note quieter than the previous one
        {60, 60, 0, 0, 60},
    };
    for (const auto& c : cases)
    {
        CSample previous;
        previous.SetDominant(c.Previous);
        CSample sample;
        sample.SetDominant(c.Own);
        sample.SetLevel(c.Own, c.LevelAtOwn);
        if (c.Own != c.Previous)
            sample.SetLevel(c.Previous, c.LevelAtPrevious);
        sample.StabilizeNote(previous);
        EXPECT_EQ(sample.GetDominant(), c.Result) << c.Previous << " -> " << c.Own;
    }
}

struct SNeighbour
{
    bool Present;
    int32_t Note;
    bool Loud;
};

struct SClassifyCase
{
    bool Loud;
    SNeighbour Previous;
    SNeighbour Next;
    SampleKind Kind;
};

TEST(SampleTest, ClassifyKindFollowsNeighbours)
{
    constexpr SNeighbour absent{false, 0, false};
    const SClassifyCase cases[] = {
        {true, absent, absent, SampleKind::Single},
        {false, absent, absent, SampleKind::None},
        {false, {true, 60, true}, {true, 60, true}, SampleKind::None},
        {true, {true, 60, true}, {true, 60, true}, SampleKind::HoldMiddle},
        {true, {true, 60, true}, {true, 62, true}, SampleKind::HoldEnd},
        {true, {true, 60, true}, absent, SampleKind::HoldEnd},
        {true, {true, 61, true}, {true, 60, true}, SampleKind::HoldStart},
        {true, {true, 60, false}, {true, 60, true}, SampleKind::HoldStart},
        {true, {true, 60, false}, {true, 60, false}, SampleKind::Single},
    };
    for (const auto& c : cases)
    {
        CSample neighbours[2];
        const SNeighbour* wanted[2] = {&c.Previous, &c.Next};
        for (int i = 0; i < 2; ++i)
        {
            neighbours[i].SetDominant(wanted[i]->Note);
            neighbours[i].SetActive(wanted[i]->Loud);
        }
        CSample sample;
        sample.SetDominant(60);
        sample.SetActive(c.Loud);
        sample.ClassifyKind(c.Previous.Present ? &neighbours[0] : nullptr,
                            c.Next.Present ? &neighbours[1] : nullptr);
        EXPECT_EQ(sample.GetKind(), c.Kind)
            << "loud " << c.Loud << " previous " << c.Previous.Note << " next " << c.Next.Note;
    }
}
} // namespace
