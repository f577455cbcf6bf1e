#pragma once
#include "app/Scene.h"
#include "graphics/CheckedBox.h"
#include "graphics/Image.h"
#include "graphics/MenuItem.h"

// The three settings as check boxes, saved on each click, and BACK. A click on the
// full-screen box switches the screen mode and returns a fresh options scene.
// Esc is BACK. Returns the title scene, a new options scene, or null on window close.
class COptionsScene : public CScene
{
public:
    COptionsScene(); // reads "FullScreen"
    ~COptionsScene() override;

    CScene* Run() override;

private:
    void HandleEvents();
    void HandleClick(int x, int y); // a full-screen hit only requests the switch
    void ToggleSeparateHighscores();
    void ToggleContinuousPlay();
    CScene* SwitchFullScreen();
    void Draw();

    bool Quit = false;
    bool Back = false;
    bool FullScreen = false;
    bool SwitchRequested = false;
    bool SeparateHighscores = false;
    bool ContinuousPlay = false;
    CImage Background; // with the screen title painted in
    CCheckedBox FullScreenBox;
    CCheckedBox SeparateBox;
    CCheckedBox ContinuousBox;
    CMenuItem BackEntry;
};
