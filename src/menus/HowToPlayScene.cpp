#include "menus/HowToPlayScene.h"

#include "app/SceneFrame.h"
#include "graphics/Graphics.h"
#include "menus/TitleScene.h"

CHowToPlayScene::CHowToPlayScene()
{
    SetName("How To Play");
}

CHowToPlayScene::~CHowToPlayScene()
{
    PageImage.Free();
}

void CHowToPlayScene::TurnPage()
{
    ++Page;
    if (Page == 2)
        PageImage.Load("data/help2.png", false);
    else if (Page == 3)
        PageImage.Load("data/help3.png", false);
    else
        Done = true;
}

void CHowToPlayScene::HandleEvents()
{
    SDL_Event event;
    while (NextFrameEvent(event, Quit))
    {
        if (IsKeyPress(event, SDLK_ESCAPE))
            Done = true; // back to the title from any page
        else if (event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN)
            TurnPage();
    }
}

CScene* CHowToPlayScene::Run()
{
    Done = false;
    PageImage.Load("data/help1.png", false);
    while (!Done)
    {
        HandleEvents();
        if (Quit)
            return nullptr;
        Graphics->Draw(PageImage.GetSurface(), 0, 0);
        PresentFrame(*Graphics, MenuFrameDelayMs);
    }
    return new CTitleScene();
}
