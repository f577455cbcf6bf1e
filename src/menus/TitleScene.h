#pragma once
#include "app/Scene.h"
#include "graphics/Image.h"
#include "graphics/Label.h"
#include "graphics/MenuItem.h"

#include <memory>

// The main menu: five entries, chosen with the mouse or with Up, Down and Enter, and the
// version line.
// Returns the chosen scene, or null on QUIT or when the window is closed.
class CTitleScene : public CScene
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

    void HandleEvents();
    void HandleKey(SDLKey key);
    void Choose(int entry);
    void Draw();

    bool Quit = false;
    std::unique_ptr<CScene> NextScene; // a later click in the same frame replaces it
    CImage Background;
    CMenuItem Entries[EntryCount];
    CLabel VersionLabel;
};
