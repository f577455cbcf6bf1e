#include "musicselect/MusicSelectScene.h"

#include "app/SceneFrame.h"
#include "app/SharedData.h"
#include "battle/BattleScene.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "menus/TitleScene.h"
#include "musicselect/FolderBrowser.h"
#include "musicselect/FolderItem.h"
#include "musicselect/ListScroll.h"
#include "musicselect/SongShuffle.h"
#include "musicselect/Speeds.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#include <iterator>

namespace
{
struct SPicturePlace
{
    const char* Path;
    bool ColorKey;
};
constexpr SPicturePlace PicturePlaces[] = {
    {"data/sky.png", false},         {"data/scrollbar.png", true},
    {"data/thumb.png", true},        {"data/separator.png", false},
    {"data/folderline.png", false},  {"data/folderline2.png", false},
    {"data/folderline3.png", false}, {"data/folderline3.png", false},
    {"data/minimbronze2.png", true}, {"data/minimsilver2.png", true},
    {"data/minimgold2.png", true},   {"data/minimperfect2.png", true}};

struct SLabelPlace
{
    const char* Text;
    int X, Y;
    bool Centred;
    int Size; // 0 small, 1 medium
};
constexpr SLabelPlace LabelPlaces[] = {{"Current Speed : ", 350, 440, false, 1},
                                       {Speeds[0].Name, 620, 440, true, 1},
                                       {Speeds[1].Name, 620, 440, true, 1},
                                       {Speeds[2].Name, 620, 440, true, 1},
                                       {"Select a file to play", 10, 440, false, 1},
                                       {"Supported Formats :", 10, 480, false, 0},
                                       {".MP3", 10, 500, false, 0},
                                       {".OGG", 10, 520, false, 0},
                                       {".FLAC", 10, 540, false, 0},
                                       {".OPUS", 65, 540, false, 0},
                                       {".WMA", 120, 540, false, 0},
                                       {".M4A", 10, 560, false, 0},
                                       {".MP4", 65, 560, false, 0},
                                       {".AAC", 120, 560, false, 0},
                                       {".WAV", 10, 580, false, 0},
                                       {".AIF", 65, 580, false, 0},
                                       {".AIFF", 120, 580, false, 0}};

constexpr int ListBottom = 428; // the list's rows end, and the lower separator starts, here
constexpr int ScrollBarX = 780;
constexpr int ThumbX = 776;
constexpr int ThumbSize = 16;
constexpr int64_t InfoReadIntervalMs = 50; // a read only once more than this has passed
} // namespace

CMusicSelectScene::CMusicSelectScene()
{
    SetName("Music Select");
}

CMusicSelectScene::~CMusicSelectScene()
{
    Preview.Close();
    Rows.Free();
    PathHeader.Free();
    for (CImage& picture : Pictures)
        picture.Free();
}

void CMusicSelectScene::BuildInterface()
{
    static_assert(std::size(PicturePlaces) == PictureCount);
    static_assert(std::size(LabelPlaces) == LabelCount);
    for (int i = 0; i < PictureCount; ++i)
        Pictures[i].Load(PicturePlaces[i].Path, PicturePlaces[i].ColorKey);
    Pictures[HoverRow].SetAlpha(128);
    for (int i = 0; i < LabelCount; ++i)
        Labels[i].Create(*Fonts, LabelPlaces[i].Text, LabelPlaces[i].X, LabelPlaces[i].Y,
                         LabelPlaces[i].Centred, LabelPlaces[i].Size);
    SpeedDown.Create("data/back.png", 530, 445);
    SpeedUp.Create("data/forward.png", 680, 445);
    PlayItem.Create(*Fonts, "Play", 520, 480, true);
    RandomizeItem.Create(*Fonts, "Randomize", 520, 522, true);
    BackItem.Create(*Fonts, "Back", 520, 564, true);
}

void CMusicSelectScene::ConnectBrowser()
{
    Browser = std::make_unique<CFolderBrowser>(Shared);
    Browser->ClosePreview = [this] { Preview.Close(); };
    Browser->RenderRows = [this] { RenderRows(); };
    Browser->FreePathHeader = [this] { PathHeader.Free(); };
    Browser->OpenSong = [this](uint32_t index) { OpenSong(index); };
}

void CMusicSelectScene::RenderRows()
{
    SRowPictures pictures;
    pictures.OddBackground = Pictures[OddRow].GetSurface();
    pictures.EvenBackground = Pictures[EvenRow].GetSurface();
    pictures.SelectedBackground = Pictures[SelectedRow].GetSurface();
    pictures.HoverOverlay = Pictures[HoverRow].GetSurface();
    for (int i = 0; i < 4; ++i)
        pictures.Medals[i] = Pictures[BronzeMedal + i].GetSurface();
    Rows.Render(*Fonts, pictures,
                {&Shared->FolderItems, Shared->ScrollTop, Browser->SelectedIndex, Hover});
}

void CMusicSelectScene::OpenSong(uint32_t index)
{
    DebugTrace("Opening music file");
    Browser->SelectedIndex = static_cast<int32_t>(index);
    Preview.Close();
    // A song that cannot be opened (gone, damaged) stays selected and silent.
    if (Preview.Open(Shared->FolderItems[index]->GetPath()))
        Preview.Play();
    RenderRows();
}

void CMusicSelectScene::Randomize()
{
    Preview.Close();
    Browser->SelectedIndex = -1;
    ShuffleSongs(Shared->FolderItems, *Timer);
    RenderRows();
}

void CMusicSelectScene::Scroll(bool up)
{
    uint32_t& top = Shared->ScrollTop;
    if (up && top > 0)
        --top;
    else if (!up && uint64_t(top) + ListScroll::VisibleRows < Shared->FolderItems.size())
        ++top;
    RenderRows();
}

void CMusicSelectScene::StepSpeed(bool up)
{
    const int index = SpeedIndex(Shared->Speed);
    if (index >= 0)
        Shared->Speed = Speeds[(index + (up ? 1 : SpeedCount - 1)) % SpeedCount].Value;
    RenderRows();
}

void CMusicSelectScene::HandleClick(int x, int y)
{
    if (y > CBrowserRows::Top && y < ListBottom && x < ScrollBarX)
    {
        Browser->OpenItem(Shared->ScrollTop +
                          uint32_t(y - CBrowserRows::Top) / uint32_t(CBrowserRows::Height));
        return;
    }
    const int thumbY = ListScroll::ThumbY(Shared->ScrollTop, Shared->FolderItems.size());
    if (x > ThumbX && x < ThumbX + ThumbSize && y > thumbY && y < thumbY + ThumbSize)
        DraggingThumb = true;
    else if (Browser->SelectedIndex != -1 && PlayItem.HitTest(x, y))
    {
        Shared->SelectedItem = static_cast<uint32_t>(Browser->SelectedIndex);
        StartBattle = true;
    }
    else if (RandomizeItem.HitTest(x, y))
        Randomize();
    else if (BackItem.HitTest(x, y))
        BackToTitle = true;
    else if (SpeedDown.HitTest(x, y))
        StepSpeed(false);
    else if (SpeedUp.HitTest(x, y))
        StepSpeed(true);
}

void CMusicSelectScene::HandleMotion(int x, int y)
{
    const size_t entries = Shared->FolderItems.size();
    if (DraggingThumb && entries > ListScroll::VisibleRows)
    {
        const uint32_t top = ListScroll::ScrollTopAt(y, entries);
        if (top != Shared->ScrollTop)
        {
            Shared->ScrollTop = top;
            RenderRows();
        }
    }
    else if (y > CBrowserRows::Top && y < ListBottom)
    {
        const int32_t row = (y - CBrowserRows::Top) / CBrowserRows::Height;
        if (row != Hover)
        {
            Hover = row;
            RenderRows();
        }
    }
    else if (Hover != -1)
    {
        Hover = -1;
        RenderRows();
    }
    PlayItem.SetHighlighted(PlayItem.HitTest(x, y));
    RandomizeItem.SetHighlighted(RandomizeItem.HitTest(x, y));
    BackItem.SetHighlighted(BackItem.HitTest(x, y));
}

void CMusicSelectScene::HandleEvents()
{
    SDL_Event event;
    while (NextFrameEvent(event, Quit))
    {
        if (IsLeftClick(event))
            HandleClick(event.button.x, event.button.y);
        else if (event.type == SDL_MOUSEBUTTONDOWN && (event.button.button == SDL_BUTTON_WHEELUP ||
                                                       event.button.button == SDL_BUTTON_WHEELDOWN))
            Scroll(event.button.button == SDL_BUTTON_WHEELUP);
        else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT)
            DraggingThumb = false;
        else if (event.type == SDL_MOUSEMOTION)
            HandleMotion(event.motion.x, event.motion.y);
    }
}

void CMusicSelectScene::LoadVisibleTrackInfo()
{
    const int64_t now = Timer->GetCounter();
    if (Timer->GetElapsedMs(LastInfoRead, now) <= InfoReadIntervalMs)
        return;
    LastInfoRead = now;
    const auto& items = Shared->FolderItems;
    for (uint64_t index = Shared->ScrollTop;
         index < items.size() && index < Shared->ScrollTop + ListScroll::VisibleRows; ++index)
    {
        CFolderItem& item = *items[index];
        if (!item.IsInfoPending())
            continue;
        // One file per call, whether or not it opens: a folder of broken files is read
        // at the same pace as a folder of songs.
        if (item.ReadTrackInfo())
            RenderRows();
        return;
    }
}

void CMusicSelectScene::DrawPathHeader()
{
    if (!PathHeader.GetSurface())
        PathHeader.Attach(Fonts->RenderSmall(Paths::DisplayableUtf8(Shared->CurrentPath), false));
    Graphics->Draw(PathHeader.GetSurface(), 0, 0);
}

void CMusicSelectScene::Draw()
{
    Graphics->Draw(Pictures[Sky].GetSurface(), 0, 0);
    DrawPathHeader();
    Rows.Draw(*Graphics);
    Graphics->Draw(Pictures[ScrollBar].GetSurface(), ScrollBarX, CBrowserRows::Top);
    Graphics->Draw(
        Pictures[Thumb].GetSurface(), ThumbX,
        static_cast<int16_t>(ListScroll::ThumbY(Shared->ScrollTop, Shared->FolderItems.size())));
    Graphics->Draw(Pictures[Separator].GetSurface(), 0, 20);
    Graphics->Draw(Pictures[Separator].GetSurface(), 0, ListBottom);
    for (int label = SelectFileLabel; label < LabelCount; ++label)
        Labels[label].Draw(*Graphics);
    if (Browser->SelectedIndex != -1)
        PlayItem.Draw(*Graphics, Shared->MenuSelectImage);
    BackItem.Draw(*Graphics, Shared->MenuSelectImage);
    RandomizeItem.Draw(*Graphics, Shared->MenuSelectImage);
    for (CPushButton* arrow : {&SpeedDown, &SpeedUp})
        Graphics->Draw(arrow->GetImage().GetSurface(), static_cast<int16_t>(arrow->GetX()),
                       static_cast<int16_t>(arrow->GetY()));
    Labels[CurrentSpeedLabel].Draw(*Graphics);
    const int speed = SpeedIndex(Shared->Speed);
    if (speed >= 0)
        Labels[SlowLabel + speed].Draw(*Graphics);
}

CScene* CMusicSelectScene::Run()
{
    BuildInterface();
    ConnectBrowser();
    Browser->InitBrowser();
    LastInfoRead = Timer->GetCounter();
    for (;;)
    {
        HandleEvents();
        if (Quit)
            return nullptr;
        if (StartBattle)
            return new CBattleScene();
        if (BackToTitle)
        {
            Shared->ClearFolderItems();
            return new CTitleScene();
        }
        LoadVisibleTrackInfo();
        Draw();
        PresentFrame(*Graphics, MenuFrameDelayMs);
    }
}
