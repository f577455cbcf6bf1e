#pragma once
#include <string>

class CSharedData;
class CAudio;
class CGraphics;
class CFontManager;
class CTimeManager;

// A screen of the game. Run owns the frame loop while the screen is shown and returns the
// next scene (owned by the caller from then on) or null to end the program. A scene's
// constructor only names it; the shared state arrives through SetShared just before Run.
class CScene
{
public:
    CScene() = default;
    virtual ~CScene() = default;
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;

    virtual CScene* Run() = 0;

    void SetShared(CSharedData* shared);
    void SetName(const std::string& name);
    const std::string& GetName() const { return Name; }

protected:
    std::string Name;
    CSharedData* Shared = nullptr;
    CAudio* Audio = nullptr;
    CGraphics* Graphics = nullptr;
    CFontManager* Fonts = nullptr;
    CTimeManager* Timer = nullptr;
};

// The scene loop: runs scenes one after another until one returns null.
// Logs the start and end line of each and deletes each right after its end line.
void RunScenes(CScene* first, CSharedData* shared);
