#include "menus/TitleScene.h"

#include "Version.h"
#include "app/FrameEvents.h"
#include "app/FrameLoop.h"
#include "app/MenuKeys.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"

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
constexpr ESceneId EntryScenes[] = {ESceneId::MusicSelect, ESceneId::HowToPlay, ESceneId::Options,
                                    ESceneId::Credits};
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
    if (entry >= 0 && entry < QuitEntry)
        Picked = EntryScenes[entry];
    else
        Quit = true;
}

// Up and Down (or Tab) move the highlight round the entries, from the pointer's if any; Enter
// takes the highlighted entry, and with none highlighted shows the first one.
void CTitleScene::HandleKey(const SDL_keysym& key)
{
    const int chosen = List.Key(MenuKeyOf(key), EntryCount);
    if (chosen >= 0)
        return Choose(chosen);
    List.ShowOn(EntryList());
}

std::vector<CMenuItem*> CTitleScene::EntryList()
{
    std::vector<CMenuItem*> entries;
    for (CMenuItem& entry : Entries)
        entries.push_back(&entry);
    return entries;
}

bool CTitleScene::HandleEvent(const SDL_Event& event)
{
    if (event.type == SDL_MOUSEMOTION)
    {
        List.SetFocus(-1);
        for (int i = 0; i < EntryCount; ++i)
            if (Entries[i].HitTest(event.motion.x, event.motion.y))
                List.SetFocus(i);
        List.ShowOn(EntryList());
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
        HandleKey(event.key.keysym);
    return true;
}

CFrameHandler::EFrame CTitleScene::Update(int64_t)
{
    return Picked ? EFrame::ShowThenLeave : EFrame::Show;
}

void CTitleScene::Draw(CGraphics& graphics) const
{
    graphics.Draw(Background.GetSurface(), 0, 0);
    for (const CMenuItem& entry : Entries)
        entry.Draw(graphics, Shared->MenuSelectImage);
    VersionLabel.Draw(graphics);
}

CScene* CTitleScene::Run()
{
    static_assert(std::size(EntryPlaces) == EntryCount);
    static_assert(std::size(EntryScenes) == QuitEntry);
    Background.Load("data/title.png", false);
    for (int i = 0; i < EntryCount; ++i)
        Entries[i].Create(*Fonts, EntryPlaces[i].Text, EntryCentreX, EntryPlaces[i].Y, true);
    VersionLabel.Create(*Fonts, KORVANE_NAME " " KORVANE_VERSION, 630, 580, false, 0);
    if (!RunFrames(*this, *Shared) || Quit)
        return nullptr;
    return Shared->Scenes.Build(*Picked);
}
