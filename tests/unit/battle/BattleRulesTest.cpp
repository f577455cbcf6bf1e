#include "battle/rules/BattleRules.h"
#include "audio/map/AudioMap.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace
{
constexpr int64_t BytesPerLine = 100;

// A lane of weapons (note, rows long), each after one silent row, from position 0 on; note 0
// is a stretch of silence. Returns where each entry starts.
std::vector<int64_t> MakeLane(CAudioMap& map, const std::vector<std::pair<int, int>>& entries)
{
    std::vector<CAudioMap::SStretch> stretches;
    std::vector<int64_t> starts;
    int64_t at = 0;
    for (const auto& [note, rows] : entries)
    {
        stretches.push_back({at, 0});
        at += BytesPerLine;
        starts.push_back(at);
        stretches.push_back({at, note});
        at += rows * BytesPerLine;
    }
    stretches.push_back({at, 0});
    map.Lay(stretches);
    return starts;
}

// The catch line's position that shows a sample starting at start with its lower end at row.
int64_t LowerEndAt(int64_t start, int row)
{
    return start - (row - Lane::CatchRow) * BytesPerLine + 1;
}

// The rules on a lane of one 50-row beam of note 60, Minim placed; where the beam starts.
int64_t OneBeam(CAudioMap& map, CBattleRules& rules)
{
    const int64_t start = MakeLane(map, {{60, 50}})[0];
    rules.Place(Lane::Left);
    rules.StartLevel(map);
    return start;
}

using SInput = std::function<void(CBattleRules&)>;
SInput Move(int dx)
{
    return [dx](CBattleRules& rules) { rules.OnMouseMotion(dx); };
}
SInput Shield(EShieldChange change)
{
    return [change](CBattleRules& rules) { rules.ChangeShield(change); };
}
SInput Span(int left, int right)
{
    return [left, right](CBattleRules& rules)
    {
        rules.CatchLeft = left;
        rules.CatchRight = right;
    };
}
} // namespace

// A 50-row beam of note 60 (column x 340..349, centre 345) meets a shield placed by the
// inputs when its lower end is at Row: caught only there, within the reach and strictly
// inside the span; a shield under its middle only marks the touch.
TEST(BattleRules, CatchesOnlyTheLowerEndWithinTheReachAndTheSpan)
{
    const int centre = Lane::BeamCentreX(60);
    const auto under = [&](int width)
    { return Span(centre - width / 2, centre - width / 2 + width); };
    const struct
    {
        const char* Name;
        int Width;
        std::vector<SInput> Inputs;
        int Row;
        bool Caught, Touched;
    } cases[] = {
        {"60 reaches row 1", 60, {under(60)}, 1, true, false},
        {"60 under the middle", 60, {under(60)}, 0, false, true},
        {"90 reaches row 36", 90, {under(90)}, 36, true, false},
        {"90 under the middle", 90, {under(90)}, 35, false, true},
        {"120 reaches row 71", 120, {under(120)}, 71, true, false},
        {"120 under the middle", 120, {under(120)}, 70, false, true},
        {"every shield reaches row 105", 120, {under(120)}, 105, true, false},
        {"not above row 105", 120, {under(120)}, 106, false, false},
        {"left edge", 90, {Span(centre, 500)}, 50, false, false},
        {"right edge", 90, {Span(200, centre)}, 50, false, false},
        {"just inside", 90, {Span(centre - 1, centre + 1)}, 50, true, false},
        {"a fast sweep across the column", 60, {Move(-800), Move(600)}, 80, true, false},
        {"a later motion narrows it", 60, {Move(-800), Move(600), Move(-1)}, 80, false, false},
        {"wheel up at 120 stays",
         120,
         {Move(-800), Move(600), Shield(EShieldChange::Widen)},
         80,
         true,
         false},
        {"wheel down at 60 stays",
         60,
         {Move(-800), Move(600), Shield(EShieldChange::Narrow)},
         80,
         true,
         false},
        {"a shield change resets the span",
         60,
         {Move(-800), Move(600), Shield(EShieldChange::Widen)},
         80,
         false,
         false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CAudioMap map;
        CBattleRules rules;
        const int64_t start = OneBeam(map, rules);
        rules.SetShield(c.Width);
        for (const SInput& input : c.Inputs)
            input(rules);
        rules.ScanLane(LowerEndAt(start, c.Row), BytesPerLine, false);
        const CLaneTrack::SEntry beam{std::next(map.GetSamples().begin())->get(), 1};
        EXPECT_EQ(rules.IsCaught(beam), c.Caught);
        EXPECT_EQ(rules.GetTouchPosition(beam) != 0, c.Touched);
        EXPECT_EQ(rules.CaughtCount, c.Caught ? 1u : 0u);
        EXPECT_EQ(rules.Score, c.Caught ? MaxMultiplier : 0);
    }
}

// Left click cycles 60 -> 90 -> 120 -> 60, the wheel widens and narrows; each change keeps
// the centre and the shield stays in the play area.
TEST(BattleRules, ShieldFormsKeepTheirCentre)
{
    CBattleRules rules;
    rules.Place(400);
    const struct
    {
        EShieldChange Change;
        int Width, MinimX;
    } steps[] = {{EShieldChange::Cycle, 120, 385}, {EShieldChange::Cycle, 60, 415},
                 {EShieldChange::Widen, 90, 400},  {EShieldChange::Narrow, 60, 415},
                 {EShieldChange::Narrow, 60, 415}, {EShieldChange::Cycle, 90, 400}};
    for (const auto& step : steps)
    {
        rules.ChangeShield(step.Change);
        EXPECT_EQ(rules.ShieldWidth, step.Width);
        EXPECT_EQ(rules.MinimX, step.MinimX);
    }
    rules.OnMouseMotion(1000);
    rules.ChangeShield(EShieldChange::Cycle);
    EXPECT_EQ(rules.MinimX + rules.ShieldWidth, Lane::FieldRight);
    EXPECT_EQ(rules.ShieldReach, 35);
}

// Nothing is missed during the count-in; two misses in one frame count 2, once, at the last
// one's column, and drop the multiplier to 3; a later miss ends the streak the catch before it
// began. Then 20 catches raise it to 4 and 20 more to 5. The reachable score counts caught and
// missed weapons alike.
TEST(BattleRules, MissesDropTheMultiplierAndCatchesRaiseItInSteps)
{
    CAudioMap map;
    std::vector<std::pair<int, int>> lane = {{40, 5}, {36, 5}, {0, 150},
                                             {60, 1}, {38, 5}, {0, 150}};
    lane.insert(lane.end(), 40, {60, 1});
    const std::vector<int64_t> starts = MakeLane(map, lane);
    CBattleRules rules;
    rules.Place(Lane::FieldLeft);
    rules.StartLevel(map);
    ASSERT_EQ(rules.WeaponCount, 44u);
    rules.SetShield(120);
    rules.CatchLeft = Lane::FieldLeft;
    rules.CatchRight = Lane::FieldRight;
    const auto past = [&](size_t entry) { return starts[entry] + Lane::CatchRow * BytesPerLine; };
    // Each weapon's lower end enters the 120 shield's rows at their top, one per frame.
    const auto catchAt = [&](size_t entry)
    { return rules.ScanLane(LowerEndAt(starts[entry], Lane::ShieldTopRow), BytesPerLine, false); };

    EXPECT_EQ(rules.ScanLane(past(2), BytesPerLine, true).Missed, 0);
    const SFrameOutcome miss = rules.ScanLane(past(2), BytesPerLine, false);
    EXPECT_EQ(miss.Missed, 2);
    EXPECT_EQ(miss.MissedX, Lane::ColumnX(36));
    EXPECT_EQ(rules.Multiplier, MissMultiplier);
    EXPECT_EQ(rules.ReachableScore, 2 * MaxMultiplier);
    EXPECT_EQ(rules.ScanLane(past(2), BytesPerLine, false).Missed, 0) << "counted once";
    catchAt(3);
    ASSERT_EQ(rules.Streak, 1);
    EXPECT_EQ(rules.ScanLane(past(5), BytesPerLine, false).Missed, 1);
    EXPECT_EQ(rules.Streak, 0);
    EXPECT_EQ(rules.ReachableScore, 4 * MaxMultiplier);

    for (int k = 1; k <= 40; ++k)
    {
        const SFrameOutcome outcome = catchAt(size_t(k + 5));
        ASSERT_EQ(rules.CaughtCount, uint32_t(k + 1));
        EXPECT_EQ(rules.Multiplier, k < 20 ? 3 : k < 40 ? 4 : 5) << k;
        EXPECT_EQ(outcome.MultiplierRose, k == 20 || k == 40) << k;
    }
    EXPECT_EQ(rules.Score, MissMultiplier + 20 * 3 + 20 * 4);
    EXPECT_EQ(rules.Streak, StreakPerStep);
    EXPECT_EQ(rules.ReachableScore, 44 * MaxMultiplier);
    EXPECT_EQ(rules.MaxScore, 44 * MaxMultiplier);
}

// The cannon of a beam in the lane's top row fires until the beam has left it. Below the catch
// line a caught beam is gone; a beam the shield never met goes on down to the bottom.
TEST(BattleRules, WhatACaughtOrTouchedBeamLeavesBelowTheCatchLine)
{
    const int centre = Lane::BeamCentreX(60);
    const struct
    {
        const char* Name;
        int Left, Right; // the catch span at row 105
        int HiddenBelow; // rows of the beam under this one are not drawn
    } cases[] = {
        {"caught", centre - 45, centre + 45, Lane::CatchRow},
        {"never met", centre + 100, centre + 190, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CAudioMap map;
        CBattleRules rules;
        const int64_t start = OneBeam(map, rules);
        Span(c.Left, c.Right)(rules);
        rules.ScanLane(LowerEndAt(start, Lane::Rows - 30), BytesPerLine, false);
        EXPECT_EQ(rules.FiringCannon, Lane::Column(60)) << "the beam in the top row";
        rules.ScanLane(LowerEndAt(start, 105), BytesPerLine, false);
        Span(0, 1)(rules); // the shield gone elsewhere
        rules.ScanLane(LowerEndAt(start, 80), BytesPerLine, false);
        EXPECT_EQ(rules.FiringCannon, -1) << "the top row empty again";
        for (int r = 80; r < 130; ++r)
        {
            EXPECT_EQ(rules.LaneRows[size_t(r)].Slice == ESlice::None, r < c.HiddenBelow)
                << "row " << r;
        }
    }
}
