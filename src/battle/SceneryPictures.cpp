#include "battle/SceneryPictures.h"

#include <string>

void SSceneryPictures::Load(const CImage& note1, const CImage& note2)
{
    Background.Load("data/paysage.png", false);
    Tree.Load("data/tree50.png", true);
    House.Load("data/house.png", true);
    HouseUp.Load("data/houseup.png", true);
    HouseDown.Load("data/housedown.png", true);
    for (int i = 0; i < ShieldSteps; ++i)
    {
        HouseShields[i].Load("data/houseshield.png", true);
        HouseShields[i].SetAlpha(static_cast<uint8_t>(130 - 10 * (i + 1)));
    }
    Cloud1.Load("data/cloud1.png", true);
    Cloud2.Load("data/cloud2.png", true);
    for (int i = 0; i < BoomFrames; ++i)
        Booms[i].Load("data/boom" + std::to_string(i) + ".png", true);
    BoomBase.Load("data/boombase.png", true);
    Note1 = &note1;
    Note2 = &note2;
}

void SSceneryPictures::Free()
{
    for (CImage* image :
         {&Background, &Tree, &House, &HouseUp, &HouseDown, &Cloud1, &Cloud2, &BoomBase})
        image->Free();
    for (CImage& image : HouseShields)
        image.Free();
    for (CImage& image : Booms)
        image.Free();
}
