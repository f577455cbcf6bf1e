#include "menus/CreditsScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "menus/TitleScene.h"
#include "platform/Log.h"
#include "platform/OpenUrl.h"

CCreditsScene::CCreditsScene()
{
    SetName("Credits");
}

CCreditsScene::~CCreditsScene()
{
    Background.Free();
    SmallLogo.Free();
}

void CCreditsScene::HandleEvents()
{
    SDL_Event event;
    while (NextFrameEvent(event, Quit))
    {
        if (event.type == SDL_MOUSEMOTION)
        {
            WebEntry.SetHighlighted(WebEntry.HitTest(event.motion.x, event.motion.y));
            MainMenuEntry.SetHighlighted(MainMenuEntry.HitTest(event.motion.x, event.motion.y));
        }
        else if (IsKeyPress(event, SDLK_ESCAPE))
            Done = true; // as "Main Menu"
        else if (IsLeftClick(event))
        {
            if (MainMenuEntry.HitTest(event.button.x, event.button.y))
                Done = true;
            else if (WebEntry.HitTest(event.button.x, event.button.y) && !OpenUrl(NewsPage))
                DebugTrace("could not start xdg-open for %s", NewsPage);
        }
    }
}

void CCreditsScene::Draw()
{
    Graphics->Draw(Background.GetSurface(), 0, 0);
    TitleLabel.Draw(*Graphics);
    RoleLabel.Draw(*Graphics);
    AuthorLabel.Draw(*Graphics);
    Graphics->Draw(SmallLogo.GetSurface(), 380, 330);
    VisitLabel.Draw(*Graphics);
    WebEntry.Draw(*Graphics, Shared->MenuSelectImage);
    MainMenuEntry.Draw(*Graphics, Shared->MenuSelectImage);
}

CScene* CCreditsScene::Run()
{
    Done = false;
    Background.Load("data/sky.png", false);
    SmallLogo.Load("data/tesselsmall.png", true);
    TitleLabel.Create(*Fonts, "Credits", 400, 50, true, 2);
    RoleLabel.Create(*Fonts, "- Design, Programming, Graphics & Audio -", 400, 120, true, 1);
    AuthorLabel.Create(*Fonts, Author, 400, 150, true, 1);
    VisitLabel.Create(*Fonts, "For news, updates & purchases, visit : ", 400, 300, true, 0);
    WebEntry.Create(*Fonts, WebAddress, 400, 440, true);
    MainMenuEntry.Create(*Fonts, "Main Menu", 600, 550, false);

    while (!Done)
    {
        HandleEvents();
        if (Quit)
            return nullptr;
        Draw();
        PresentFrame(*Graphics, MenuFrameDelayMs);
    }
    return new CTitleScene();
}
