#include "app/SharedData.h"

#include "audio/Audio.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderItem.h"
#include "musicselect/SpeedSetting.h"
#include "platform/Settings.h"

#include <string>

CSharedData::CSharedData()
{
    CommonHighscores = Settings::ReadNumber("SeparateHS") == 0;
    PlayContinuous = Settings::ReadNumber("PlayContinuous") != 0;
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
    if (!Graphics->Init() || !Audio->Init() || !Fonts->Init())
        return false;
    LoadSharedImages();
    AnimationTick = Timer.GetCounter();
    return true;
}

void CSharedData::Shutdown()
{
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
    HouseImage.Load("data/house.png", true);
    HouseUpImage.Load("data/houseup.png", true);
    HouseDownImage.Load("data/housedown.png", true);
    Cloud1Image.Load("data/cloud1.png", true);
    Cloud2Image.Load("data/cloud2.png", true);
    Note1Image.Load("data/note1.png", true);
    Note2Image.Load("data/note2.png", true);
    for (int i = 0; i < 12; ++i)
    {
        HouseShieldImages[i].Load("data/houseshield.png", true);
        HouseShieldImages[i].SetAlpha(static_cast<uint8_t>(130 - 10 * (i + 1)));
    }
    for (int i = 0; i < 8; ++i)
        BoomImages[i].Load("data/boom" + std::to_string(i) + ".png", true);
    BoomBaseImage.Load("data/boombase.png", true);
}

void CSharedData::FreeSharedImages()
{
    for (CImage* image :
         {&MenuSelectImage, &CheckedImage, &UncheckedImage, &HouseImage, &HouseUpImage,
          &HouseDownImage, &Cloud1Image, &Cloud2Image, &Note1Image, &Note2Image, &BoomBaseImage})
        image->Free();
    for (CImage& image : HouseShieldImages)
        image.Free();
    for (CImage& image : BoomImages)
        image.Free();
}

void CSharedData::ClearFolderItems()
{
    while (!FolderItems.empty())
        FolderItems.pop_back();
}

void CSharedData::NextAnimationFrame()
{
    if (++AnimationFrame > 3)
        AnimationFrame = 0;
}
