#include "audio/map/Sample.h"

#include <algorithm>

#include <cstdlib>

namespace
{
// Loudness curve for notes 36..95: 1.0 at C6 (note 72), falling off on both sides. Double
// literals on purpose: 100 × 0.57 must truncate to 56 as it always has.
constexpr int32_t FirstWeightedNote = FirstWeaponNote;
constexpr double NoteWeights[60] = {
    0.55, 0.56, 0.57, 0.59, 0.60, 0.61, 0.63, 0.64, 0.65, 0.67, 0.68, 0.69, // 36..47
    0.71, 0.72, 0.73, 0.74, 0.75, 0.76, 0.77, 0.78, 0.79, 0.80, 0.81, 0.82, // 48..59
    0.83, 0.84, 0.86, 0.87, 0.89, 0.90, 0.92, 0.93, 0.95, 0.96, 0.98, 0.99, // 60..71
    1.00, 0.97, 0.95, 0.92, 0.90, 0.87, 0.85, 0.82, 0.80, 0.77, 0.75, 0.72, // 72..83
    0.71, 0.70, 0.69, 0.67, 0.66, 0.65, 0.63, 0.62, 0.61, 0.59, 0.58, 0.57  // 84..95
};
constexpr int32_t MaxLevel = 1000;

bool SameWeapon(const CSample& self, const CSample* other)
{
    return other && other->GetDominant() == self.GetDominant() &&
           other->GetKind() != SampleKind::None;
}
} // namespace

void CSample::SetNoteLevel(int32_t note, int32_t value)
{
    // 64 bits only so that an absurd value saturates instead of overflowing; every value
    // that fits behaves exactly as the 32-bit product would.
    int64_t v = int64_t(value) * 10;
    if (note >= FirstWeightedNote)
        v = int64_t(double(v) * NoteWeights[note - FirstWeightedNote]);
    if (v > MaxLevel)
        v = MaxLevel;
    Levels[note] = int16_t(std::max<int64_t>(v, INT16_MIN)); // a magnitude is never negative
}

void CSample::ClearLevels()
{
    for (int16_t& level : Levels)
        level = 0;
}

void CSample::FindDominant(int32_t low, int32_t high)
{
    int32_t sums[12] = {};
    for (int32_t n = 48; n < NoteCount; ++n)
        if (n >= low && n <= high)
            sums[n % 12] += Levels[n];

    int32_t best = 0;
    int32_t bestSum = 0;
    for (int32_t c = 0; c < 12; ++c)
        if (sums[c] > bestSum)
        {
            best = c;
            bestSum = sums[c];
        }

    Dominant = low;
    for (int32_t octave = 3; octave <= 7; ++octave)
    {
        const int32_t n = 12 * octave + best;
        if (n >= low && n <= high && Levels[n] >= Levels[Dominant])
            Dominant = n;
    }
}

void CSample::StabilizeNote(const CSample& previous)
{
    const int32_t p = previous.Dominant;
    if (p == Dominant)
        return;
    const int32_t distance = std::abs(Dominant - p);
    int32_t threshold = 150;
    if (distance < 12)
        threshold = 15;
    else if (distance % 12 == 0)
        threshold = 300;
    if (std::abs(Levels[Dominant] - Levels[p]) < threshold)
        Dominant = p;
}

void CSample::ClassifyKind(const CSample* previous, const CSample* next)
{
    if (Kind == SampleKind::None)
        return;
    const bool samePrevious = SameWeapon(*this, previous);
    const bool sameNext = SameWeapon(*this, next);
    if (samePrevious && sameNext)
        Kind = SampleKind::HoldMiddle;
    else if (samePrevious)
        Kind = SampleKind::HoldEnd;
    else if (sameNext)
        Kind = SampleKind::HoldStart;
    else
        Kind = SampleKind::Single;
}
