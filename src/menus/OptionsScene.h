#pragma once
#include "app/FrameHandler.h"
#include "app/KeyRepeat.h"
#include "app/MenuList.h"
#include "app/Scene.h"
#include "graphics/CheckedBox.h"
#include "graphics/Image.h"
#include "graphics/Label.h"
#include "graphics/MenuItem.h"

// The three settings as check boxes, saved on each click, the audio sync entry (its own
// screen) and BACK. A click on the full-screen box switches the screen mode and returns a
// fresh options scene. Esc is BACK, whose frame is still drawn. Up and Down (or Tab) move a
// highlight over the boxes, the audio sync entry and BACK; Enter or Space does what a click on
// it does, and with nothing highlighted highlights the first box. The highlight is kept over a
// visit to the audio sync screen and a switch of the screen mode.
// Returns the title scene, a new options scene, the audio sync scene, or null on window close.
class COptionsScene : public CScene, private CFrameHandler
{
public:
    COptionsScene(); // reads the full-screen setting
    ~COptionsScene() override;

    CScene* Run() override;

private:
    bool HandleEvent(const SDL_Event& event) override;
    EFrame Update(int64_t elapsedMs) override;
    void Draw(CGraphics& graphics) const override;
    bool IsDone() const override { return SwitchRequested || SyncRequested; }
    uint32_t FrameDelayMs() const override { return MenuFrameDelayMs; }
    bool RepeatsKey(SDLKey key) const override { return CKeyRepeat::Moves(key); }
    // In the order Up and Down go through them.
    enum EEntry
    {
        SeparateEntry,
        ContinuousEntry,
        FullScreenEntry,
        SyncEntryIndex,
        BackEntryIndex,
        EntryCount
    };

    void HandleClick(int x, int y);        // a full-screen hit only requests the switch
    bool HandleKey(const SDL_keysym& key); // false when the rest of the frame's events must wait
    void Choose(int entry);
    void ToggleCommonHighscores();
    void ToggleContinuousPlay();
    CScene* SwitchFullScreen();

    bool BackChosen = false; // BACK leaves after the frame of the choice
    bool FullScreen = false;
    bool SwitchRequested = false;
    bool SyncRequested = false; // the audio sync entry was clicked
    CMenuList List;             // Enter with nothing highlighted starts at the first box
    CImage Background;          // with the screen title painted in
    CCheckedBox FullScreenBox;
    CCheckedBox SeparateBox;
    CCheckedBox ContinuousBox;
    CMenuItem BackEntry;
    CLabel SyncEntry; // "Audio Sync : N ms", opens the audio sync screen
};
