#include "menus/HowToPlayScene.h"

#include "app/FrameEvents.h"
#include "app/FrameLoop.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"

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
        Leaving = true;
}

bool CHowToPlayScene::HandleEvent(const SDL_Event& event)
{
    if (IsKeyPress(event, SDLK_ESCAPE))
        Leaving = true; // back to the title from any page
    else if (event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN)
        TurnPage();
    return true;
}

CFrameHandler::EFrame CHowToPlayScene::Update(int64_t)
{
    return Leaving ? EFrame::ShowThenLeave : EFrame::Show; // the page is shown once more
}

void CHowToPlayScene::Draw(CGraphics& graphics) const
{
    graphics.Draw(PageImage.GetSurface(), 0, 0);
}

CScene* CHowToPlayScene::Run()
{
    PageImage.Load("data/help1.png", false);
    if (!RunFrames(*this, *Shared))
        return nullptr;
    return Shared->Scenes.Build(ESceneId::Title);
}
