#pragma once
#include "app/Pacer.h"
#include "app/SceneFactory.h"
#include "app/Speeds.h"
#include "app/TimeManager.h"
#include "audio/backend/output/Device.h"
#include "graphics/Image.h"
#include "platform/RetryList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CGraphics;
class CAudio;
class CFontManager;
class CFolderItem;

// The one object that lives for the whole run and is handed to every scene: the engines,
// the clock and the pacer of the frames, the factory of the next scenes, the pictures several
// scenes draw, the music browser's list and the player's settings. Scenes read and write its
// fields directly. Main thread only.
class CSharedData
{
public:
    CSharedData(); // builds the clock, reads the highscore, continuous play and speed settings
    virtual ~CSharedData();
    CSharedData(const CSharedData&) = delete;
    CSharedData& operator=(const CSharedData&) = delete;

    bool Init();     // screen, audio, fonts, in that order; false at the first failure
    void Shutdown(); // safe after a failed or partial Init
    void LoadSharedImages();
    void FreeSharedImages();
    void ClearFolderItems();

    // What the sound output plays on (empty: SDL's device); tests set their stand-in before
    // Init.
    korvane::backend::FMakeDevice MakeSoundDevice;

    CGraphics* Graphics = nullptr;
    CAudio* Audio = nullptr;
    CFontManager* Fonts = nullptr;
    CTimeManager Timer;
    std::unique_ptr<CPacer> Pacer;
    CSceneFactory Scenes;
    std::vector<std::unique_ptr<CFolderItem>> FolderItems;
    CRetryList PendingSaves; // highscores not written yet (a full disk); Shutdown tries them too
    uint32_t SelectedItem = 0;
    uint32_t ScrollTop = 0;
    uint32_t FirstSongItem = 0;
    int OptionsFocus = -1; // the options entry the keys highlighted when it opened another screen
    bool PlayContinuous = false;
    bool CommonHighscores = true;
    std::string CurrentPath;   // the folder the music browser shows, or "HDD Select"
    std::string ProgramFolder; // the executable's folder followed by "/"
    std::string StartPath;     // the song or folder named on the command line (absolute), or ""

    CImage MenuSelectImage;
    CImage CheckedImage, UncheckedImage;
    CImage Note1Image, Note2Image; // the houses' notes and the audio sync screen's taps

    float Speed = Speeds[0].Value;
};
