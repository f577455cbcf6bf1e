#include "battle/BattleScene.h"

#include "app/SharedData.h"
#include "audio/AudioMap.h"
#include "audio/Sample.h"
#include "graphics/Graphics.h"

#include <algorithm>

namespace
{
constexpr int LaneRows = 500;
constexpr int CatchRow = 100;
constexpr int ShieldTopRow = 105;

int ColumnX(int note)
{
    return 100 + 10 * (note - 36);
}

bool IsLowerEndKind(SampleKind kind)
{
    return kind == SampleKind::Single || kind == SampleKind::HoldStart;
}

bool IsUpperEndKind(SampleKind kind)
{
    return kind == SampleKind::Single || kind == SampleKind::HoldEnd;
}
} // namespace

void CBattleScene::OnMouseMotion(int dx)
{
    MinimX += dx;
    ClampMinim();
    // The span covers the whole way moved, so a fast sweep still catches what it crossed.
    CatchLeft = std::min(MinimPrevX, MinimX);
    CatchRight = std::max(MinimPrevX, MinimX) + ShieldWidth;
    MinimPrevX = MinimX;
}

void CBattleScene::OnMouseButton(uint8_t button)
{
    switch (button)
    {
    case SDL_BUTTON_LEFT:
        SetShield(ShieldWidth == 60 ? 90 : ShieldWidth == 90 ? 120 : 60);
        break;
    case SDL_BUTTON_WHEELUP:
        SetShield(ShieldWidth == 60 ? 90 : 120);
        break;
    case SDL_BUTTON_WHEELDOWN:
        SetShield(ShieldWidth == 120 ? 90 : 60);
        break;
    default:
        break;
    }
}

void CBattleScene::SetShield90()
{
    SetShield(90);
}

void CBattleScene::SetShield(int width)
{
    MinimX += (ShieldWidth - width) / 2; // the shield keeps its centre
    ShieldWidth = width;
    ShieldReach = width == 60 ? 105 : width == 90 ? 70 : 35;
    ClampMinim();
    CatchLeft = MinimX;
    CatchRight = MinimX + ShieldWidth;
}

void CBattleScene::ClampMinim()
{
    const int left = FieldRect.x;
    const int right = FieldRect.x + FieldRect.w;
    if (MinimX < left)
        MinimX = left;
    else if (MinimX + ShieldWidth > right)
        MinimX = right - ShieldWidth;
}

void CBattleScene::DrawMinim()
{
    Graphics->Draw(MinimImage.GetSurface(),
                   int16_t(MinimX + ShieldWidth / 2 - MinimImage.GetWidth() / 2),
                   int16_t(MinimY + 10));
    const CImage& shield = ShieldWidth == 60   ? Shield60Image
                           : ShieldWidth == 90 ? Shield90Image
                                               : Shield120Image;
    Graphics->Draw(shield.GetSurface(), int16_t(MinimX), int16_t(MinimY));
}

void CBattleScene::UpdateGame()
{
    if (UpdatePosition())
        ScanLane();
}

void CBattleScene::ScanLane()
{
    int32_t missed = 0;
    int missedX = 0;
    if (!CountIn && Position >= CatchRow * BytesPerLine)
    {
        int32_t note = 0;
        missed = Map->CountPassedWeapons(Position - CatchRow * BytesPerLine, &note);
        missedX = ColumnX(note);
    }

    BurstNote = 0;
    FiringCannon = -1;
    bool bigBurst = false;
    const CSample* previous = nullptr;
    for (int r = 0; r < LaneRows; ++r)
    {
        const int y = LaneRect.y + LaneRect.h - 1 - r;
        const int64_t p = Position + (r - CatchRow) * BytesPerLine;
        if (p < 0)
            continue;
        CSample* s = Map->FindSample(p);
        if (!s)
            continue;
        const CSample* above = Map->FindSample(p + BytesPerLine);
        const int n = s->GetDominant();
        const SampleKind kind = s->GetKind();
        if (n < 36 || n > 95 || kind == SampleKind::None)
            continue;
        const int x = ColumnX(n);

        if (r <= ShieldTopRow && CatchLeft < x + 5 && x + 5 < CatchRight &&
            r > ShieldTopRow - ShieldReach)
            CatchOrTouch(s, s == previous, p);

        const bool hidden =
            r < CatchRow &&
            (s->IsCaught() || (s->GetTouchPosition() != 0 && s->GetTouchPosition() < p));
        if (!hidden)
        {
            const CImage* slice = &BeamBodyImages[n / 12 - 3];
            if (IsLowerEndKind(kind) && s != previous)
                slice = &BeamLowerCapImage;
            else if (IsUpperEndKind(kind) && s != above)
                slice = &BeamUpperCapImage;
            Graphics->Draw(slice->GetSurface(), int16_t(x), int16_t(y));
            if (s->IsCaught() && r == CatchRow)
            {
                BurstNote = n;
                bigBurst = IsLowerEndKind(kind);
            }
            else if (r == LaneRows - 1)
                FiringCannon = n - 36;
        }
        previous = s;
    }

    if (BurstNote != 0)
    {
        const CImage& burst = bigBurst ? BigBurstImages[BurstFrame] : BurstImages[BurstFrame];
        Graphics->Draw(burst.GetSurface(), int16_t(ColumnX(BurstNote) - 5),
                       int16_t(LaneRect.y + LaneRect.h - (bigBurst ? 118 : 108)));
        BurstFrame = (BurstFrame + 1) % 3;
    }
    if (missed > 0)
        OnMiss(missed, missedX);
}

void CBattleScene::CatchOrTouch(CSample* s, bool samePrevious, int64_t p)
{
    if (s->IsCaught())
        return;
    // Only the lower end of a weapon catches; a shield under its middle marks the touch.
    if (!samePrevious)
    {
        s->SetCaught();
        OnCatch();
    }
    else if (s->GetTouchPosition() == 0)
        s->SetTouchPosition(p);
}

void CBattleScene::OnCatch()
{
    ++CaughtCount;
    Score += Multiplier;
    if (Multiplier >= 5)
        return;
    if (++Streak < 20)
        return;
    if (Multiplier == 3)
    {
        Multiplier = 4;
        Streak = 0;
    }
    else
        Multiplier = 5;
    SetHouseLevels(Multiplier);
}

void CBattleScene::OnMiss(int32_t missed, int missedX)
{
    MissedCount += uint32_t(missed);
    Multiplier = 3;
    Streak = 0;
    // Several weapons missed in one frame make one rock, at the last one's column.
    Rocks.emplace_back(missedX, LaneRect.y + LaneRect.h, Shared);
    SetHouseLevels(3);
    for (CHouse& house : Houses)
        house.Impact(missedX);
}
