#pragma once
#include "app/FrameHandler.h"
#include "app/KeyRepeat.h"
#include "app/MenuList.h"
#include "app/Scene.h"
#include "app/SceneFactory.h"
#include "graphics/Image.h"
#include "graphics/Label.h"
#include "graphics/MenuItem.h"

#include <optional>
#include <vector>

// The main menu: five entries, chosen with the mouse or with Up, Down and Enter (a first Enter
// with nothing highlighted shows PLAY), and the version line. The frame of the choice is still
// drawn; the chosen scene follows at the next. Returns the chosen scene, or null on QUIT or when
// the window is closed.
class CTitleScene : public CScene, private CFrameHandler
{
public:
    CTitleScene();
    ~CTitleScene() override;

    CScene* Run() override;

private:
    enum EEntry
    {
        Play,
        HowToPlay,
        Options,
        Credits,
        QuitEntry,
        EntryCount
    };

    bool HandleEvent(const SDL_Event& event) override;
    EFrame Update(int64_t elapsedMs) override;
    void Draw(CGraphics& graphics) const override;
    bool IsDone() const override { return Quit; }
    uint32_t FrameDelayMs() const override { return MenuFrameDelayMs; }
    bool RepeatsKey(SDLKey key) const override { return CKeyRepeat::Moves(key); }
    void HandleKey(const SDL_keysym& key);
    void Choose(int entry);
    std::vector<CMenuItem*> EntryList();

    bool Quit = false;
    std::optional<ESceneId> Picked; // a later choice in the same frame replaces it
    CMenuList List;
    CImage Background;
    CMenuItem Entries[EntryCount];
    CLabel VersionLabel;
};
