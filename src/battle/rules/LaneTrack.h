#pragma once
#include "audio/map/AudioMap.h"

#include <cstdint>
#include <vector>

// The battle's reading of an analysed map, which stays as the analysis left it: the sample
// each lane row shows, found from a cursor that follows the song forward, and what the player
// did to each weapon (caught it, or held the shield under its middle). Positions are bytes of
// the decoded song. No SDL; main thread only.
class CLaneTrack
{
public:
    // A sample of the map and its place in it; Sample is null for none.
    struct SEntry
    {
        const CSample* Sample = nullptr;
        size_t Index = 0;
        explicit operator bool() const { return Sample != nullptr; }
        bool operator==(const SEntry& other) const { return Sample == other.Sample; }
    };

    CLaneTrack() = default;
    virtual ~CLaneTrack() = default;

    // A new song: the cursor at the first sample, nothing caught or touched. The map must
    // outlive the track and stay unchanged until the next Start.
    void Start(const CAudioMap& map);
    // Back to the first sample, when the heard position may have moved back.
    void ResetCursor();

    // The last sample that starts strictly before position, searching forward from the
    // cursor (a position at or before the cursor's sample gives that one); none for a negative
    // position or an empty map. Does not move the cursor.
    SEntry FindSample(int64_t position) const;
    // Uncaught weapons whose whole stretch lies behind position, each counted once; *note is
    // the dominant note of the last one counted (0 if none). Moves the cursor forward.
    int32_t CountPassedWeapons(int64_t position, int32_t* note);

    bool IsCaught(const SEntry& entry) const { return Caught[entry.Index] != 0; }
    void SetCaught(const SEntry& entry) { Caught[entry.Index] = 1; }
    // Where the shield first met the weapon's middle; 0 = never.
    int64_t GetTouchPosition(const SEntry& entry) const { return Touched[entry.Index]; }
    void SetTouchPosition(const SEntry& entry, int64_t position)
    {
        Touched[entry.Index] = position;
    }

private:
    using SampleIt = CAudioMap::SampleList::const_iterator;

    const CAudioMap* Map = nullptr;
    SampleIt Cursor{};
    size_t CursorIndex = 0;
    std::vector<uint8_t> Caught;
    std::vector<int64_t> Touched;
};
