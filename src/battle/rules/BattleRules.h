#pragma once
#include "battle/rules/LaneGeometry.h"
#include "battle/rules/LaneTrack.h"

class CBattleTimeline;

#include <array>
#include <cstdint>

// Shield forms, in the order a left click cycles through them: a narrower shield reaches
// higher (catches over more rows below Lane::ShieldTopRow), a wider one covers more columns.
struct SShieldForm
{
    int Width; // pixels
    int Reach; // rows
};
inline constexpr SShieldForm ShieldForms[] = {{60, 105}, {90, 70}, {120, 35}};
constexpr int SongShieldForm = 1; // 90 wide: every song starts with it

// Points per catch: the most, and what a miss drops it to; this many catches in a row raise
// it by one.
constexpr int MaxMultiplier = 5;
constexpr int MissMultiplier = 3;
constexpr int StreakPerStep = 20;

// A rating in percent: the points against those of a perfect game; 0 for a song without
// weapons.
constexpr double RatingPercent(double points, double maxScore)
{
    return maxScore > 0.0 ? 100.0 * points / maxScore : 0.0;
}

// How the player asks the shield to change: left click, wheel up, wheel down.
enum class EShieldChange
{
    Cycle,
    Widen,
    Narrow
};

// What one lane row shows: nothing, or one slice of a beam in a note's column.
enum class ESlice : uint8_t
{
    None,
    Body,
    LowerCap,
    UpperCap
};
struct SLaneRow
{
    ESlice Slice = ESlice::None;
    uint8_t Note = 0;
};

// What a frame's rules did that the scenery answers.
struct SFrameOutcome
{
    int32_t Missed = 0; // weapons that left the lane uncaught
    int MissedX = 0;    // the column of the last of them
    bool MultiplierRose = false;
};

// The game's rules: Minim's shield and its catch span, which weapons are caught, touched or
// missed, the score, the multiplier and its streak, and what each lane row shows. Fed with
// the analysed map (read, never changed), the catch line's position, the bytes per row and
// the pointer's motion; the scene draws from the result. Positions are bytes of the decoded
// song. No SDL; main thread only.
class CBattleRules
{
public:
    CBattleRules();
    virtual ~CBattleRules() = default;

    // Minim's place when the scene is laid out; it carries over from song to song.
    void Place(int minimX);
    // Per song: counts, score, multiplier and what the lane showed.
    void ResetSong();
    // At the start of play: the song's map and weapons, the perfect score and the song's
    // shield. The map must stay as it is while the song plays.
    void StartLevel(const CAudioMap& map);
    // The heard position may have moved back: the lane's lookups start over.
    void ResetCursor() { Track.ResetCursor(); }

    // A relative pointer motion (only the horizontal part counts). The catch span covers the
    // whole way moved, so a fast sweep still catches what it crossed.
    void OnMouseMotion(int dx);
    void ChangeShield(EShieldChange change);
    void SetShield(int width); // a width of ShieldForms; keeps the shield's centre

    // One pass over the lane rows, bottom to top, with the catch line at position: first the
    // weapons that have left the lane (none during the count-in), then catches and touches.
    // Two map lookups per row.
    SFrameOutcome ScanLane(int64_t position, int64_t bytesPerLine, bool countIn);
    // What the player did to a weapon of the map.
    bool IsCaught(const CLaneTrack::SEntry& entry) const { return Track.IsCaught(entry); }
    int64_t GetTouchPosition(const CLaneTrack::SEntry& entry) const
    {
        return Track.GetTouchPosition(entry);
    }
    const CLaneTrack& GetTrack() const { return Track; }
    // The frame in which the song is found ended shows no weapons.
    void ClearLane();
    // One frame of a lane that follows a sound heard at `heard` (bytes): the timeline's
    // position, then the scan, or an empty lane in the frame that finds the sound ended.
    SFrameOutcome StepLane(CBattleTimeline& timeline, int64_t heard, bool playing);

    int ShieldForm() const; // index in ShieldForms

    int MinimX = 0;
    int MinimPrevX = 0;
    int MinimY = Lane::ShieldTop;
    int CatchLeft = 0; // the catch span, exclusive at both ends
    int CatchRight = 0;
    int ShieldWidth = ShieldForms[SongShieldForm].Width;
    int ShieldReach = ShieldForms[SongShieldForm].Reach;
    uint32_t WeaponCount = 0;
    uint32_t CaughtCount = 0;
    uint32_t MissedCount = 0;
    double Score = 0.0;
    double ReachableScore = 0.0; // what the weapons met so far could have given
    double MaxScore = 0.0;
    int Multiplier = MaxMultiplier;
    int Streak = 0;

    // What the lane shows after the last scan; row 0 is the bottom one.
    std::array<SLaneRow, Lane::Rows> LaneRows{};
    int BurstNote = 0; // the caught weapon at the catch line, 0 for none
    bool BigBurst = false;
    int BurstFrame = 0;   // the next burst picture, 0..2
    int BurstPicture = 0; // the one this frame shows
    int FiringCannon = -1;

private:
    void ClampMinim();
    void CatchOrTouch(const CLaneTrack::SEntry& entry, bool samePrevious, int64_t p,
                      SFrameOutcome& outcome);
    void OnCatch(SFrameOutcome& outcome);
    void OnMiss(int32_t missed);

    CLaneTrack Track;
};
