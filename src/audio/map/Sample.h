#pragma once
#include <cstdint>

// What a sample becomes in the battle. The values are stored and printed as numbers.
enum class SampleKind : int32_t
{
    None = 0,       // the dominant level is below the map's minimum intensity
    Pending = 1,    // loud, not yet classified
    Single = 2,     // no neighbour carries a weapon on the same note
    HoldStart = 3,  // only the next sample carries a weapon on the same note
    HoldMiddle = 4, // both neighbours do
    HoldEnd = 5     // only the previous sample does
};

// The notes that become weapons, one lane column and one cannon each.
constexpr int32_t FirstWeaponNote = 36;
constexpr int32_t LastWeaponNote = 95;

// One analysed half block of the song: the levels (0..1000) of the 96 notes C0..B7, the note
// that dominates them and the weapon kind it becomes. Owned by the analysis's pass lists and
// then by the audio map; what the player does to a weapon is the battle's, not the sample's.
// Main thread only.
class CSample
{
public:
    static constexpr int32_t NoteCount = 96;

    CSample() = default;
    virtual ~CSample() = default;

    void SetPosition(int64_t bytes) { Position = bytes; }
    int64_t GetPosition() const { return Position; }

    // Stores a scaled spectrum value through the loudness curve: ×10, notes 36..95 weighted
    // (double precision, truncated toward zero), at most 1000. note must be 0..95.
    void SetNoteLevel(int32_t note, int32_t value);
    void ClearLevels();

    // Picks the loudest pitch class of notes 48..95 within low..high, then its loudest
    // octave 3..7 there; ties go to the lower class and the higher octave. Dominant is low
    // when no such note reaches the level at low. 0 <= low, high <= 95.
    void FindDominant(int32_t low, int32_t high);
    // Takes previous's note unless this sample's own note is clearly louder.
    void StabilizeNote(const CSample& previous);
    // Pending becomes Single/HoldStart/HoldMiddle/HoldEnd from the neighbours (either may be
    // null); None stays None.
    void ClassifyKind(const CSample* previous, const CSample* next);

    void SetDominant(int32_t note) { Dominant = note; }
    int32_t GetDominant() const { return Dominant; }
    int32_t GetDominantLevel() const { return Levels[Dominant]; }
    int32_t GetLevel(int32_t note) const { return Levels[note]; }
    void SetLevel(int32_t note, int32_t level) { Levels[note] = int16_t(level); } // 0..1000

    void SetActive(bool loud) { Kind = loud ? SampleKind::Pending : SampleKind::None; }
    SampleKind GetKind() const { return Kind; }

private:
    int64_t Position = 0;
    SampleKind Kind = SampleKind::Pending;
    // Levels are 0..1000: 16 bits keep them exactly, and an hour's map in half the memory.
    int16_t Levels[NoteCount] = {};
    int32_t Dominant = 0;
};
