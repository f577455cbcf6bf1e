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
