#include "menus/CreditsScene.h"

#include "app/FrameEvents.h"
#include "app/FrameLoop.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
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

bool CCreditsScene::HandleEvent(const SDL_Event& event)
{
    if (event.type == SDL_MOUSEMOTION)
    {
        WebEntry.SetHighlighted(WebEntry.HitTest(event.motion.x, event.motion.y));
        MainMenuEntry.SetHighlighted(MainMenuEntry.HitTest(event.motion.x, event.motion.y));
    }
    else if (IsKeyPress(event, SDLK_ESCAPE))
        Leaving = true; // as "Main Menu"
    else if (IsLeftClick(event))
    {
        if (MainMenuEntry.HitTest(event.button.x, event.button.y))
            Leaving = true;
        else if (WebEntry.HitTest(event.button.x, event.button.y) && !OpenUrl(NewsPage))
            DebugTrace("could not start xdg-open for %s", NewsPage);
    }
    return true;
}

CFrameHandler::EFrame CCreditsScene::Update(int64_t)
{
    return Leaving ? EFrame::ShowThenLeave : EFrame::Show; // the choice's frame is still shown
}

void CCreditsScene::Draw(CGraphics& graphics) const
{
    graphics.Draw(Background.GetSurface(), 0, 0);
    TitleLabel.Draw(graphics);
    RoleLabel.Draw(graphics);
    AuthorLabel.Draw(graphics);
    graphics.Draw(SmallLogo.GetSurface(), 380, 330);
    VisitLabel.Draw(graphics);
    WebEntry.Draw(graphics, Shared->MenuSelectImage);
    MainMenuEntry.Draw(graphics, Shared->MenuSelectImage);
}

CScene* CCreditsScene::Run()
{
    Background.Load("data/sky.png", false);
    SmallLogo.Load("data/tesselsmall.png", true);
    TitleLabel.Create(*Fonts, "Credits", 400, 50, true, 2);
    RoleLabel.Create(*Fonts, "- Design, Programming, Graphics & Audio -", 400, 120, true, 1);
    AuthorLabel.Create(*Fonts, Author, 400, 150, true, 1);
    VisitLabel.Create(*Fonts, "For news, updates & purchases, visit : ", 400, 300, true, 0);
    WebEntry.Create(*Fonts, WebAddress, 400, 440, true);
    MainMenuEntry.Create(*Fonts, "Main Menu", 600, 550, false);
    if (!RunFrames(*this, *Shared))
        return nullptr;
    return Shared->Scenes.Build(ESceneId::Title);
}
