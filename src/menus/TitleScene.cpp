#include "menus/TitleScene.h"

#include "Version.h"
#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "menus/CreditsScene.h"
#include "menus/HowToPlayScene.h"
#include "menus/OptionsScene.h"
#include "musicselect/MusicSelectScene.h"

#include <iterator>

namespace
{
struct SEntryPlace
{
    const char* Text;
    int Y;
};
// Centred on x = 500, 42 pixels apart, in the order they are hit-tested and drawn.
constexpr SEntryPlace EntryPlaces[] = {
    {"PLAY", 350}, {"HOW TO PLAY", 392}, {"OPTIONS", 434}, {"CREDITS & INFO", 476}, {"QUIT", 518}};
constexpr int EntryCentreX = 500;
} // namespace

CTitleScene::CTitleScene()
{
    SetName("Title");
}

CTitleScene::~CTitleScene()
{
    Background.Free();
}

void CTitleScene::Choose(int entry)
{
    switch (entry)
    {
    case Play:
        NextScene = std::make_unique<CMusicSelectScene>();
        break;
    case HowToPlay:
        NextScene = std::make_unique<CHowToPlayScene>();
        break;
    case Options:
        NextScene = std::make_unique<COptionsScene>();
        break;
    case Credits:
        NextScene = std::make_unique<CCreditsScene>();
        break;
    default:
        Quit = true;
    }
}

// Up and Down move the highlight round the entries, from the pointer's if any; Enter chooses.
void CTitleScene::HandleKey(SDLKey key)
{
    int highlighted = 0;
    while (highlighted < EntryCount && !Entries[highlighted].IsHighlighted())
        ++highlighted;
    if (highlighted == EntryCount)
        highlighted = -1;
    if (key == SDLK_RETURN || key == SDLK_KP_ENTER)
    {
        if (highlighted >= 0)
            Choose(highlighted);
        return;
    }
    if (key != SDLK_UP && key != SDLK_DOWN)
        return;
    int next = (highlighted + 1) % EntryCount; // Down from none: the first entry
    if (key == SDLK_UP)
        next = highlighted <= 0 ? EntryCount - 1 : highlighted - 1;
    for (int i = 0; i < EntryCount; ++i)
        Entries[i].SetHighlighted(i == next);
}

void CTitleScene::HandleEvents()
{
    SDL_Event event;
    while (NextFrameEvent(event, Quit))
    {
        if (event.type == SDL_MOUSEMOTION)
        {
            for (CMenuItem& entry : Entries)
                entry.SetHighlighted(entry.HitTest(event.motion.x, event.motion.y));
        }
        else if (IsLeftClick(event))
        {
            for (int i = 0; i < EntryCount; ++i)
                if (Entries[i].HitTest(event.button.x, event.button.y))
                {
                    Choose(i);
                    break;
                }
        }
        else if (event.type == SDL_KEYDOWN)
            HandleKey(event.key.keysym.sym);
    }
}

void CTitleScene::Draw()
{
    Graphics->Draw(Background.GetSurface(), 0, 0);
    for (const CMenuItem& entry : Entries)
        entry.Draw(*Graphics, Shared->MenuSelectImage);
    VersionLabel.Draw(*Graphics);
}

CScene* CTitleScene::Run()
{
    static_assert(std::size(EntryPlaces) == EntryCount);
    Background.Load("data/title.png", false);
    for (int i = 0; i < EntryCount; ++i)
        Entries[i].Create(*Fonts, EntryPlaces[i].Text, EntryCentreX, EntryPlaces[i].Y, true);
    VersionLabel.Create(*Fonts, KORVANE_NAME " " KORVANE_VERSION, 630, 580, false, 0);

    for (;;)
    {
        // The frame of the click is still drawn; the chosen scene leaves at the next one.
        if (NextScene)
            return NextScene.release();
        HandleEvents();
        if (Quit)
            return nullptr;
        Draw();
        PresentFrame(*Graphics, MenuFrameDelayMs);
    }
}
