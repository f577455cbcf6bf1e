#pragma once
#include "app/FrameHandler.h"
#include "app/Scene.h"
#include "graphics/Image.h"

// Three full-screen help pages, turned by any key or mouse button press (wheel steps
// included); every press counts, even several in one frame. Returns the title scene after
// the third page or on Esc, or null when the window is closed.
class CHowToPlayScene : public CScene, private CFrameHandler
{
public:
    CHowToPlayScene();
    ~CHowToPlayScene() override;

    CScene* Run() override;

private:
    bool HandleEvent(const SDL_Event& event) override;
    EFrame Update(int64_t elapsedMs) override;
    void Draw(CGraphics& graphics) const override;
    bool IsDone() const override { return false; }
    uint32_t FrameDelayMs() const override { return MenuFrameDelayMs; }
    void TurnPage();

    bool Leaving = false; // after the next frame shown
    int32_t Page = 1;
    CImage PageImage;
};
