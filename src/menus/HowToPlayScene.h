#pragma once
#include "app/Scene.h"
#include "graphics/Image.h"

// Three full-screen help pages, turned by any key or mouse button press (wheel steps
// included); every press counts, even several in one frame. Returns the title scene after
// the third page or on Esc, or null when the window is closed.
class CHowToPlayScene : public CScene
{
public:
    CHowToPlayScene();
    ~CHowToPlayScene() override;

    CScene* Run() override;

private:
    void HandleEvents();
    void TurnPage();

    bool Quit = false;
    bool Done = false;
    int32_t Page = 1;
    CImage PageImage;
};
