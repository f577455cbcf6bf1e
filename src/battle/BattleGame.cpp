#include "battle/BattleScene.h"

#include "app/SharedData.h"
#include "graphics/Graphics.h"

void CBattleScene::OnMouseButton(uint8_t button)
{
    switch (button)
    {
    case SDL_BUTTON_LEFT:
        Rules.ChangeShield(EShieldChange::Cycle);
        break;
    case SDL_BUTTON_WHEELUP:
        Rules.ChangeShield(EShieldChange::Widen);
        break;
    case SDL_BUTTON_WHEELDOWN:
        Rules.ChangeShield(EShieldChange::Narrow);
        break;
    default:
        break;
    }
}

void CBattleScene::AnswerOutcome(const SFrameOutcome& outcome)
{
    if (outcome.Missed > 0)
    {
        // Several weapons missed in one frame make one rock, at the last one's column.
        const int64_t now = Clock.NowMs();
        Rocks.emplace_back(outcome.MissedX, Lane::Bottom, Shared, now);
        SetHouseLevels(MissMultiplier);
        for (CHouse& house : Houses)
            house.Impact(outcome.MissedX, now);
    }
    else if (outcome.MultiplierRose)
        SetHouseLevels(Rules.Multiplier);
}

void CBattleScene::SetHouseLevels(int level)
{
    for (CHouse& house : Houses)
        house.SetLevel(level);
}

void CBattleScene::DrawMinim()
{
    const int x = Rules.MinimX;
    const int width = Rules.ShieldWidth;
    Graphics->Draw(MinimImage.GetSurface(), int16_t(x + width / 2 - MinimImage.GetWidth() / 2),
                   int16_t(Rules.MinimY + 10));
    // In the order of ShieldForms.
    const CImage* shields[] = {&Shield60Image, &Shield90Image, &Shield120Image};
    Graphics->Draw(shields[Rules.ShieldForm()]->GetSurface(), int16_t(x), int16_t(Rules.MinimY));
}

void CBattleScene::DrawLane()
{
    for (int r = 0; r < Lane::Rows; ++r)
    {
        const SLaneRow& row = Rules.LaneRows[size_t(r)];
        const CImage* slice = nullptr;
        switch (row.Slice)
        {
        case ESlice::None:
            continue;
        case ESlice::Body:
            slice = &BeamBodyImages[Lane::Octave(row.Note) - Lane::FirstOctave];
            break;
        case ESlice::LowerCap:
            slice = &BeamLowerCapImage;
            break;
        case ESlice::UpperCap:
            slice = &BeamUpperCapImage;
            break;
        }
        Graphics->Draw(slice->GetSurface(), int16_t(Lane::ColumnX(row.Note)),
                       int16_t(Lane::RowY(r)));
    }
    if (Rules.BurstNote == 0)
        return;
    const CImage* bursts = Rules.BigBurst ? BigBurstImages : BurstImages;
    Graphics->Draw(bursts[Rules.BurstPicture].GetSurface(), int16_t(Lane::BurstX(Rules.BurstNote)),
                   int16_t(Lane::BurstY(Rules.BigBurst)));
}
