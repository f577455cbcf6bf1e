#include "battle/BattleInput.h"

namespace
{
using EKind = SBattleAction::EKind;

SBattleAction ReadKey(SDLKey key, EBattlePhase phase)
{
    switch (key)
    {
    case SDLK_ESCAPE:
        return {phase == EBattlePhase::Results ? EKind::NextResult : EKind::TogglePause};
    case SDLK_q:
        return {EKind::BackToMenu};
    case SDLK_PAGEUP:
        return {EKind::PreviousSong};
    case SDLK_PAGEDOWN:
        return {EKind::NextSong};
    default:
        return {};
    }
}

SBattleAction ReadButton(uint8_t button, EBattlePhase phase)
{
    if (phase == EBattlePhase::Results)
        return {button == SDL_BUTTON_LEFT ? EKind::NextResult : EKind::None};
    if (phase != EBattlePhase::Playing)
        return {};
    switch (button)
    {
    case SDL_BUTTON_LEFT:
        return {EKind::Shield, 0, EShieldChange::Cycle};
    case SDL_BUTTON_WHEELUP:
        return {EKind::Shield, 0, EShieldChange::Widen};
    case SDL_BUTTON_WHEELDOWN:
        return {EKind::Shield, 0, EShieldChange::Narrow};
    default:
        return {};
    }
}
} // namespace

SBattleAction ReadBattleEvent(const SDL_Event& event, EBattlePhase phase)
{
    SBattleAction action;
    switch (event.type)
    {
    case SDL_KEYDOWN:
        action = ReadKey(event.key.keysym.sym, phase);
        action.Stop = action.Kind != EKind::None;
        break;
    case SDL_MOUSEMOTION:
        if (phase == EBattlePhase::Playing)
            action = {EKind::Move, event.motion.xrel};
        break;
    case SDL_MOUSEBUTTONDOWN:
        action = ReadButton(event.button.button, phase);
        action.Stop = action.Kind == EKind::NextResult;
        break;
    case SDL_ACTIVEEVENT:
        if (event.active.state & (SDL_APPINPUTFOCUS | SDL_APPACTIVE))
        {
            action.Kind = EKind::Focus;
            action.Gained = event.active.gain != 0;
        }
        break;
    default:
        break;
    }
    return action;
}
