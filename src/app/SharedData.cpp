#include "app/SharedData.h"

#include "app/SpeedSetting.h"
#include "audio/Audio.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "platform/Settings.h"
#include "songs/FolderItem.h"

CSharedData::CSharedData() : Pacer(std::make_unique<CSleepPacer>(Timer))
{
    CommonHighscores = Settings::CommonHighscores();
    PlayContinuous = Settings::PlayContinuous();
    Speed = SpeedSetting::Load();
}

CSharedData::~CSharedData()
{
    // Shutdown is idempotent: a path that skipped it still frees the engines.
    Shutdown();
    ClearFolderItems();
}

bool CSharedData::Init()
{
    Graphics = new CGraphics();
    Audio = new CAudio();
    Fonts = new CFontManager();
    if (!Graphics->Init() || !Audio->Init(MakeSoundDevice) || !Fonts->Init())
        return false;
    LoadSharedImages();
    return true;
}

void CSharedData::Shutdown()
{
    PendingSaves.RetryAll(); // the last chance for a score earned on a full disk
    FreeSharedImages();
    if (Audio)
        Audio->Shutdown();
    if (Graphics)
        Graphics->Shutdown();
    if (Fonts)
        Fonts->Shutdown();
    delete Fonts;
    delete Audio;
    delete Graphics;
    Fonts = nullptr;
    Audio = nullptr;
    Graphics = nullptr;
}

void CSharedData::LoadSharedImages()
{
    MenuSelectImage.Load("data/menuselect0.png", true);
    CheckedImage.Load("data/checked.png", true);
    UncheckedImage.Load("data/unchecked.png", true);
    Note1Image.Load("data/note1.png", true);
    Note2Image.Load("data/note2.png", true);
}

void CSharedData::FreeSharedImages()
{
    for (CImage* image :
         {&MenuSelectImage, &CheckedImage, &UncheckedImage, &Note1Image, &Note2Image})
        image->Free();
}

void CSharedData::ClearFolderItems()
{
    while (!FolderItems.empty())
        FolderItems.pop_back();
}
