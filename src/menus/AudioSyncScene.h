#pragma once
#include "app/FrameHandler.h"
#include "app/KeyRepeat.h"
#include "app/MenuList.h"
#include "app/Scene.h"
#include "audio/AudioFile.h"
#include "audio/map/AudioMap.h"
#include "battle/lane/LanePainter.h"
#include "battle/rules/BattleRules.h"
#include "battle/rules/BattleTimeline.h"
#include "battle/rules/SceneClock.h"
#include "graphics/Image.h"
#include "graphics/Label.h"
#include "graphics/MenuItem.h"
#include "graphics/PushButton.h"
#include "menus/SyncTaps.h"

#include <SDL/SDL.h>

#include <cstdint>
#include <vector>

// Finds the player's audio offset by ear and lets the player check it by eye. Step 1 plays a
// steady click at 100 beats per minute through the music's own mixer and device clock; the
// player taps on each click heard (mouse or Space), and the median of the taps after a warm-up
// gives the offset. Step 2 applies it and lets a beam fall onto Minim's shield at each click,
// exactly as a battle at Normal speed draws it; Left/Right or the arrows move it by 5 ms.
// Save writes "AudioOffset"; Cancel or Esc leave the settings file as it was. By keys: Tab,
// Shift+Tab, Up and Down move a highlight over the step's entries and Enter presses it; once a
// step's taps are done (and as step 2 starts) it rests on Next, then Save. Between frames
// the events are read about every millisecond, and a tap is timed by the click's heard
// position at the moment its event is read, so the frame rate adds no error.
// Returns the options scene, or null when the window is closed. Main thread only.
class CAudioSyncScene : public CScene, private CFrameHandler
{
public:
    CAudioSyncScene();
    ~CAudioSyncScene() override;

    CScene* Run() override;

private:
    enum class EStep
    {
        ByEar,
        ByEye
    };

    bool HandleEvent(const SDL_Event& event) override;
    EFrame Update(int64_t elapsedMs) override;
    void Draw(CGraphics& graphics) const override;
    bool IsDone() const override { return Done; }
    uint32_t FrameDelayMs() const override;
    bool ListensBetweenFrames() const override { return true; }
    bool RepeatsKey(SDLKey key) const override { return CKeyRepeat::Moves(key); }
    void LoadScreen();
    void StartByEar();
    void StartByEye();
    void StartLane(); // the count-in, then the clicks from the start
    void HandleClick(int x, int y);
    void Press(const CMenuItem& entry); // what a click on the entry does
    void Tap();
    void ShowVerdict();
    void ShiftOffset(int32_t deltaMs);
    void ShowOffset();
    void UpdateLane();
    void Leave(bool save);
    void HandleMenuKey(EMenuKey action);
    void ShowFocus(); // the marker beside the entry at Focus, none elsewhere
    // Those of the current step.
    std::vector<CMenuItem*> Entries();
    std::vector<const CMenuItem*> Entries() const;

    static constexpr int ForwardEntry = 1; // Next in step 1, Save in step 2
    bool Done = false;
    CMenuList List{ForwardEntry}; // over Entries()
    EStep Step = EStep::ByEar;
    int32_t StoredOffsetMs = 0; // what the settings file holds
    int32_t OffsetMs = 0;       // what step 2 shows and Save writes
    std::vector<double> TapsMs; // each tap's difference to its click
    SyncTaps::SVerdict Verdict;
    bool Judged = false;

    CAudioFile Clicks;
    CAudioMap ClickMap; // a weapon on each click, for step 2
    CSceneClock Clock;
    CBattleTimeline Timeline;
    CBattleRules Rules;
    CLanePainter Painter;

    CImage Background; // the sky with the screen title painted in
    CLabel EarLines[3], EyeLines[4];
    CLabel TapLabels[SyncTaps::PerTry];
    CLabel VerdictLines[2];
    CLabel OffsetLabel;
    CPushButton OffsetDown, OffsetUp;
    CMenuItem TryAgainEntry, NextEntry, SaveEntry, CancelEntry;
};
