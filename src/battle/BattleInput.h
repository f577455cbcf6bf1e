#pragma once
#include "battle/rules/BattleRules.h"

#include <SDL/SDL.h>

// Which of the battle's screens an event arrives on.
enum class EBattlePhase
{
    Loading,
    Playing,
    Results
};

// What one event asks of the battle.
struct SBattleAction
{
    enum class EKind
    {
        None,
        TogglePause,  // Esc while a song loads or plays
        BackToMenu,   // Q
        PreviousSong, // PageUp
        NextSong,     // PageDown
        NextResult,   // a click or Esc on the result screen
        Move,         // the pointer moved by Dx while a song plays
        Shield,       // a click or a wheel step while a song plays
        Focus,        // the window gained (Gained) or lost the input focus
    };
    EKind Kind = EKind::None;
    int Dx = 0;
    EShieldChange Change = EShieldChange::Cycle;
    bool Gained = false;
    // The rest of the frame's events wait for the next frame: the battle changes at once.
    bool Stop = false;
};

// The battle's keys and mouse, read the same on every screen of it. No state.
SBattleAction ReadBattleEvent(const SDL_Event& event, EBattlePhase phase);
