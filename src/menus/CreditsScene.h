#pragma once
#include "app/FrameHandler.h"
#include "app/Scene.h"
#include "graphics/Image.h"
#include "graphics/Label.h"
#include "graphics/MenuItem.h"

// Who made the game, the small logo, a web address that opens the news page in the
// desktop's browser (the scene stays open) and "Main Menu", which Esc chooses too.
// Returns the title scene, or null when the window is closed.
class CCreditsScene : public CScene, private CFrameHandler
{
public:
    CCreditsScene();
    ~CCreditsScene() override;

    CScene* Run() override;

    static constexpr const char* Author = "The Korvane Zaduza team";
    static constexpr const char* WebAddress = "www.example.org/korvane";
    static constexpr const char* NewsPage = "https://www.example.org/korvane/news";

private:
    bool HandleEvent(const SDL_Event& event) override;
    EFrame Update(int64_t elapsedMs) override;
    void Draw(CGraphics& graphics) const override;
    bool IsDone() const override { return false; }
    uint32_t FrameDelayMs() const override { return MenuFrameDelayMs; }

    bool Leaving = false; // after the next frame shown
    CImage Background;
    CImage SmallLogo;
    CMenuItem MainMenuEntry;
    CMenuItem WebEntry;
    CLabel TitleLabel;
    CLabel RoleLabel;
    CLabel AuthorLabel;
    CLabel VisitLabel;
};
