// The battle's pause and help overlay, the window's focus and the pointer.
#include "battle/BattleScene.h"

#include "audio/Audio.h"

#include <algorithm>

void CBattleScene::Apply(const SBattleAction& action)
{
    using EKind = SBattleAction::EKind;
    switch (action.Kind)
    {
    case EKind::TogglePause:
        if (Paused)
            Resume();
        else
            Pause();
        break;
    case EKind::BackToMenu:
        Ask(EAsked::Back);
        break;
    case EKind::PreviousSong:
        Ask(EAsked::Previous);
        break;
    case EKind::NextSong:
        Ask(EAsked::Next);
        break;
    case EKind::NextResult:
        Results.Next();
        break;
    case EKind::Move:
        Rules.OnMouseMotion(action.Dx);
        break;
    case EKind::Shield:
        Rules.ChangeShield(action.Change);
        break;
    case EKind::Focus:
        Focus(action.Gained);
        break;
    case EKind::None:
        break;
    }
}

void CBattleScene::Ask(EAsked asked)
{
    Asked = std::max(Asked, asked);
}

// The music stops with the picture, but the count-in and the run-out have none to stop.
void CBattleScene::Pause()
{
    Paused = true;
    Clock.SetPaused(true);
    GrabInput(false);
    if (Phase() == EBattlePhase::Playing && !Timeline.CountIn && !Timeline.RunOut)
        Audio->PauseMusic();
}

void CBattleScene::Resume()
{
    // The key came from this window, so it has the focus again.
    Paused = FocusLost = false;
    Clock.SetPaused(false);
    GrabInput(true);
    if (Phase() == EBattlePhase::Playing && !Timeline.CountIn && !Timeline.RunOut)
        Audio->ResumeMusic();
}

// A player who switches windows must never be held by the grab, nor lose points; the analysis
// and the result screen go on meanwhile.
void CBattleScene::Focus(bool gained)
{
    FocusLost = !gained;
    if (Phase() == EBattlePhase::Playing)
    {
        if (FocusLost && !Paused)
            Pause();
    }
    else if (!Paused)
        GrabInput(!FocusLost);
}

void CBattleScene::GrabInput(bool grab)
{
    SDL_ShowCursor(grab ? SDL_DISABLE : SDL_ENABLE);
    SDL_WM_GrabInput(grab ? SDL_GRAB_ON : SDL_GRAB_OFF);
}
