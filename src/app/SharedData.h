#pragma once
#include "app/TimeManager.h"
#include "graphics/Image.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CGraphics;
class CAudio;
class CFontManager;
class CFolderItem;

// The one object that lives for the whole run and is handed to every scene: the engines,
// the clock, the shared images, the music browser's list and the player's settings.
// Scenes read and write its fields directly. Main thread only.
class CSharedData
{
public:
    CSharedData(); // builds the clock, reads "SeparateHS", "PlayContinuous" and "Speed"
    virtual ~CSharedData();
    CSharedData(const CSharedData&) = delete;
    CSharedData& operator=(const CSharedData&) = delete;

    bool Init();     // screen, audio, fonts, in that order; false at the first failure
    void Shutdown(); // safe after a failed or partial Init
    void LoadSharedImages();
    void FreeSharedImages();
    void ClearFolderItems();
    void NextAnimationFrame();

    CGraphics* Graphics = nullptr;
    CAudio* Audio = nullptr;
    CFontManager* Fonts = nullptr;
    CTimeManager Timer;
    std::vector<std::unique_ptr<CFolderItem>> FolderItems;
    uint32_t SelectedItem = 0;
    uint32_t ScrollTop = 0;
    uint32_t FirstSongItem = 0;
    bool PlayContinuous = false;
    bool CommonHighscores = true;
    std::string CurrentPath;   // the folder the music browser shows, or "HDD Select"
    std::string ProgramFolder; // the executable's folder followed by "/"
    std::string StartPath;     // the song or folder named on the command line (absolute), or ""

    CImage MenuSelectImage;
    CImage HouseImage, HouseUpImage, HouseDownImage;
    CImage Cloud1Image, Cloud2Image;
    CImage Note1Image, Note2Image;
    CImage HouseShieldImages[12];
    CImage BoomImages[8];
    CImage BoomBaseImage;
    CImage CheckedImage, UncheckedImage;

    int64_t AnimationTick = 0;
    int32_t AnimationFrame = 0;
    float Speed = 2.0f;
};
