#include "battle/rules/BattleRules.h"

#include "audio/map/Sample.h"
#include "battle/rules/BattleTimeline.h"

#include <algorithm>
#include <iterator>

namespace
{
bool IsLowerEndKind(SampleKind kind)
{
    return kind == SampleKind::Single || kind == SampleKind::HoldStart;
}

bool IsUpperEndKind(SampleKind kind)
{
    return kind == SampleKind::Single || kind == SampleKind::HoldEnd;
}

constexpr int FormCount = int(std::size(ShieldForms));
} // namespace

CBattleRules::CBattleRules()
{
    ResetSong();
}

void CBattleRules::Place(int minimX)
{
    MinimX = MinimPrevX = minimX;
    MinimY = Lane::ShieldTop;
    CatchLeft = MinimX;
    CatchRight = MinimX + ShieldWidth;
}

void CBattleRules::ResetSong()
{
    WeaponCount = CaughtCount = MissedCount = 0;
    Score = ReachableScore = MaxScore = 0.0;
    Multiplier = MaxMultiplier;
    Streak = 0;
    BurstFrame = BurstPicture = 0;
    ClearLane();
    FiringCannon = -1;
}

void CBattleRules::StartLevel(const CAudioMap& map)
{
    Track.Start(map);
    WeaponCount = uint32_t(map.GetWeaponCount());
    MaxScore = double(uint32_t(MaxMultiplier * WeaponCount));
    ReachableScore = 0.0;
    SetShield(ShieldForms[SongShieldForm].Width);
}

int CBattleRules::ShieldForm() const
{
    for (int i = 0; i < FormCount; ++i)
        if (ShieldForms[i].Width == ShieldWidth)
            return i;
    return 0;
}

void CBattleRules::OnMouseMotion(int dx)
{
    MinimX += dx;
    ClampMinim();
    CatchLeft = std::min(MinimPrevX, MinimX);
    CatchRight = std::max(MinimPrevX, MinimX) + ShieldWidth;
    MinimPrevX = MinimX;
}

void CBattleRules::ChangeShield(EShieldChange change)
{
    const int form = ShieldForm();
    // The wheel does nothing where the shield cannot widen or narrow further: the span and
    // any catch the last sweep earned stay.
    if (change == EShieldChange::Widen && form + 1 < FormCount)
        SetShield(ShieldForms[form + 1].Width);
    else if (change == EShieldChange::Narrow && form > 0)
        SetShield(ShieldForms[form - 1].Width);
    else if (change == EShieldChange::Cycle)
        SetShield(ShieldForms[(form + 1) % FormCount].Width);
}

void CBattleRules::SetShield(int width)
{
    MinimX += (ShieldWidth - width) / 2;
    ShieldWidth = width;
    for (const SShieldForm& form : ShieldForms)
        if (form.Width == width)
            ShieldReach = form.Reach;
    ClampMinim();
    CatchLeft = MinimX;
    CatchRight = MinimX + ShieldWidth;
}

void CBattleRules::ClampMinim()
{
    if (MinimX < Lane::FieldLeft)
        MinimX = Lane::FieldLeft;
    else if (MinimX + ShieldWidth > Lane::FieldRight)
        MinimX = Lane::FieldRight - ShieldWidth;
}

void CBattleRules::ClearLane()
{
    LaneRows.fill({});
    BurstNote = 0;
    BigBurst = false;
}

SFrameOutcome CBattleRules::ScanLane(int64_t position, int64_t bytesPerLine, bool countIn)
{
    SFrameOutcome outcome;
    int32_t missed = 0;
    int32_t missedNote = 0;
    if (!countIn && position >= Lane::CatchRow * bytesPerLine)
        missed = Track.CountPassedWeapons(position - Lane::CatchRow * bytesPerLine, &missedNote);

    ClearLane();
    FiringCannon = -1;
    CLaneTrack::SEntry previous;
    for (int r = 0; r < Lane::Rows; ++r)
    {
        const int64_t p = Lane::RowPosition(position, r, bytesPerLine);
        if (p < 0)
            continue;
        const CLaneTrack::SEntry entry = Track.FindSample(p);
        if (!entry)
            continue;
        const CLaneTrack::SEntry above = Track.FindSample(p + bytesPerLine);
        const CSample& s = *entry.Sample;
        const int n = s.GetDominant();
        const SampleKind kind = s.GetKind();
        if (!Lane::IsPlayable(n) || kind == SampleKind::None)
            continue;

        const int centre = Lane::BeamCentreX(n);
        if (r <= Lane::ShieldTopRow && r > Lane::ShieldTopRow - ShieldReach && CatchLeft < centre &&
            centre < CatchRight)
            CatchOrTouch(entry, entry == previous, p, outcome);

        // Below the catch line a caught weapon is gone, and a touched one above its touch.
        const int64_t touch = Track.GetTouchPosition(entry);
        const bool caught = Track.IsCaught(entry);
        const bool hidden = r < Lane::CatchRow && (caught || (touch != 0 && touch < p));
        if (!hidden)
        {
            ESlice slice = ESlice::Body;
            if (IsLowerEndKind(kind) && !(entry == previous))
                slice = ESlice::LowerCap;
            else if (IsUpperEndKind(kind) && !(entry == above))
                slice = ESlice::UpperCap;
            LaneRows[size_t(r)] = {slice, uint8_t(n)};
            if (caught && r == Lane::CatchRow)
            {
                BurstNote = n;
                BigBurst = IsLowerEndKind(kind);
            }
            else if (r == Lane::Rows - 1)
                FiringCannon = Lane::Column(n);
        }
        previous = entry;
    }

    if (BurstNote != 0)
    {
        BurstPicture = BurstFrame;
        BurstFrame = (BurstFrame + 1) % 3;
    }
    if (missed > 0)
    {
        OnMiss(missed);
        outcome.Missed = missed;
        outcome.MissedX = Lane::ColumnX(missedNote);
    }
    return outcome;
}

SFrameOutcome CBattleRules::StepLane(CBattleTimeline& timeline, int64_t heard, bool playing)
{
    if (timeline.UpdatePosition(heard, playing))
        return ScanLane(timeline.Position, timeline.BytesPerLine, timeline.CountIn);
    ClearLane();
    return {};
}

void CBattleRules::CatchOrTouch(const CLaneTrack::SEntry& entry, bool samePrevious, int64_t p,
                                SFrameOutcome& outcome)
{
    if (Track.IsCaught(entry))
        return;
    // Only the lower end of a weapon catches; a shield under its middle marks the touch.
    if (!samePrevious)
    {
        Track.SetCaught(entry);
        OnCatch(outcome);
    }
    else if (Track.GetTouchPosition(entry) == 0)
        Track.SetTouchPosition(entry, p);
}

void CBattleRules::OnCatch(SFrameOutcome& outcome)
{
    ++CaughtCount;
    Score += Multiplier;
    ReachableScore = double(uint32_t(MaxMultiplier * (CaughtCount + MissedCount)));
    if (Multiplier >= MaxMultiplier || ++Streak < StreakPerStep)
        return;
    ++Multiplier;
    // The streak starts again towards the next step; at the top it stays full.
    if (Multiplier < MaxMultiplier)
        Streak = 0;
    outcome.MultiplierRose = true;
}

void CBattleRules::OnMiss(int32_t missed)
{
    MissedCount += uint32_t(missed);
    ReachableScore = double(uint32_t(MaxMultiplier * (CaughtCount + MissedCount)));
    Multiplier = MissMultiplier;
    Streak = 0;
}
