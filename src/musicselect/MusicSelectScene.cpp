#include "musicselect/MusicSelectScene.h"

#include "app/FrameEvents.h"
#include "app/FrameLoop.h"
#include "app/SharedData.h"
#include "app/SpeedSetting.h"
#include "app/Speeds.h"
#include "audio/Audio.h"
#include "audio/backend/decode/OpenReader.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderBrowser.h"
#include "musicselect/ListScroll.h"
#include "musicselect/SongShuffle.h"
#include "musicselect/SongTrouble.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/ReadWorker.h"
#include "songs/FolderItem.h"

#include <iterator>
#include <utility>

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

constexpr int64_t DoubleClickMs = 400;
} // namespace

CMusicSelectScene::CMusicSelectScene()
{
    SetName("Music Select");
}

// Leaving abandons the reads under way without waiting for them.
CMusicSelectScene::~CMusicSelectScene()
{
    SDL_EnableUNICODE(0);
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
    Browser->ClosePreview = [this]
    {
        Preview.Close();
        PreviewPending = false;
        Message.Clear();
    };
    Browser->FolderLocked = [this]
    { Message.Say(*Fonts, CBrowserMessage::EMessage::FolderLocked); };
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
    PreviewPending = false;
    Message.Clear();
    Preview.Close();
    AskPreview(index);
    RenderRows();
}

// The song is opened on the preview's worker: a slow or dead disk never holds a frame. The
// preview starts when the song opened is still the one selected.
void CMusicSelectScene::AskPreview(uint32_t index)
{
    using korvane::backend::CReader;
    const std::string path = Shared->FolderItems[index]->GetPath();
    CReadWorker::FRead read = [this, path]() -> CReadWorker::FAnswer
    {
        // Only the start is heard: an MP3's header may give its length.
        auto reader =
            std::make_shared<std::unique_ptr<CReader>>(korvane::backend::OpenReader(path, 0, true));
        ESongTrouble trouble = ESongTrouble::Unplayable;
        if (!*reader)
        {
            Log("Could not load %s%s\n", path.c_str(), korvane::backend::RefusalNote(path));
            trouble = SongTrouble(path);
        }
        return [this, path, reader, trouble] { TakePreview(path, std::move(*reader), trouble); };
    };
    PreviewReads->Ask({{path, std::move(read)}});
}

void CMusicSelectScene::TakePreview(const std::string& path,
                                    std::unique_ptr<korvane::backend::CReader> reader,
                                    ESongTrouble trouble)
{
    const int32_t selected = Browser->SelectedIndex;
    const auto& items = Shared->FolderItems;
    if (selected < 0 || uint32_t(selected) >= items.size() ||
        items[uint32_t(selected)]->GetPath() != path || Preview.IsPlaying())
        return;
    if (Preview.Open(*Audio, std::move(reader), path))
        Preview.Play();
    else
        TellWhyNot(uint32_t(selected), trouble);
    RenderRows();
}

void CMusicSelectScene::TellWhyNot(uint32_t index, ESongTrouble trouble)
{
    auto& items = Shared->FolderItems;
    switch (trouble)
    {
    case ESongTrouble::Gone:
        Message.Say(*Fonts, CBrowserMessage::EMessage::Gone);
        items.erase(items.begin() + index);
        Browser->SelectedIndex = -1;
        Shared->ScrollTop = ListScroll::ScrolledBy(Shared->ScrollTop, 0, items.size());
        break;
    case ESongTrouble::Unreadable:
        Message.Say(*Fonts, CBrowserMessage::EMessage::Unreadable);
        break;
    case ESongTrouble::Unplayable:
        break;
    }
}

void CMusicSelectScene::PlaySong(uint32_t index)
{
    Shared->SelectedItem = index;
    StartBattle = true;
}

int32_t CMusicSelectScene::GetSelectedIndex() const
{
    return Browser ? Browser->SelectedIndex : -1;
}

bool CMusicSelectScene::SongSelected() const
{
    const int32_t index = Browser->SelectedIndex;
    return index >= 0 && uint32_t(index) < Shared->FolderItems.size() &&
           Shared->FolderItems[uint32_t(index)]->GetKind() == CFolderItem::SongKind;
}

void CMusicSelectScene::Randomize()
{
    const auto& items = Shared->FolderItems;
    if (items.empty() || items.back()->GetKind() != CFolderItem::SongKind)
    {
        Message.Say(*Fonts, CBrowserMessage::EMessage::NoSongs);
        return;
    }
    Preview.Close();
    PreviewPending = false;
    Browser->SelectedIndex = -1;
    ShuffleSongs(Shared->FolderItems, Timer->Random);
    RenderRows();
}

void CMusicSelectScene::Scroll(int64_t rows)
{
    Shared->ScrollTop = ListScroll::ScrolledBy(Shared->ScrollTop, rows, Shared->FolderItems.size());
    RenderRows();
}

void CMusicSelectScene::StepSpeed(bool up)
{
    const int index = SpeedIndex(Shared->Speed);
    if (index >= 0)
    {
        Shared->Speed = Speeds[(index + (up ? 1 : SpeedCount - 1)) % SpeedCount].Value;
        SpeedSetting::Save(Shared->Speed);
    }
    RenderRows();
}

void CMusicSelectScene::HandleClick(int x, int y)
{
    const int64_t row = ListScroll::RowAt(y);
    if (row >= 0 && x < ListGeometry::ScrollBarX)
    {
        const uint32_t index = Shared->ScrollTop + uint32_t(row);
        // The second click on the song the first one selected plays it.
        const bool second = index == LastClickIndex && index == uint32_t(Browser->SelectedIndex) &&
                            NowMs - LastClickAt <= DoubleClickMs;
        LastClickIndex = index;
        LastClickAt = NowMs;
        if (second && SongSelected())
            PlaySong(index);
        else
            Browser->OpenItem(index);
        return;
    }
    const int thumbY = ListScroll::ThumbY(Shared->ScrollTop, Shared->FolderItems.size());
    if (ListScroll::OnThumb(x, y, thumbY))
        DraggingThumb = true;
    else if (ListScroll::OnTrack(x, y) && y != thumbY) // a page towards the click
        Scroll(y < thumbY ? -int64_t(ListScroll::VisibleRows) : int64_t(ListScroll::VisibleRows));
    else if (SongSelected() && PlayItem.HitTest(x, y))
        PlaySong(uint32_t(Browser->SelectedIndex));
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
    else if (const int32_t row = int32_t(ListScroll::RowAt(y)); row >= 0)
    {
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

bool CMusicSelectScene::HandleEvent(const SDL_Event& event)
{
    if (IsLeftClick(event))
        HandleClick(event.button.x, event.button.y);
    else if (event.type == SDL_MOUSEBUTTONDOWN && (event.button.button == SDL_BUTTON_WHEELUP ||
                                                   event.button.button == SDL_BUTTON_WHEELDOWN))
        Scroll(event.button.button == SDL_BUTTON_WHEELUP ? -1 : 1);
    else if (event.type == SDL_KEYDOWN)
        HandleKey(event.key.keysym);
    else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT)
        DraggingThumb = false;
    else if (event.type == SDL_MOUSEMOTION)
        HandleMotion(event.motion.x, event.motion.y);
    return true;
}

CFrameHandler::EFrame CMusicSelectScene::Update(int64_t elapsedMs)
{
    NowMs += elapsedMs;
    // A move is timed from the frame that shows it, as the events before it are.
    if (std::exchange(SelectionMoved, false))
        SelectionMovedAt = NowMs;
    StartSettledPreview();
    TakeAnswers();
    AskTrackInfo();
    // The folder's path, rendered once per folder; a long one loses its start, so the folder
    // the player is in stays in view.
    if (!PathHeader.GetSurface())
        PathHeader.Attach(Fonts->RenderSmall(Paths::DisplayableUtf8(Shared->CurrentPath), false,
                                             CGraphics::Width, ECut::KeepEnd));
    return EFrame::Show;
}

void CMusicSelectScene::Draw(CGraphics& graphics) const
{
    graphics.Draw(Pictures[Sky].GetSurface(), 0, 0);
    graphics.Draw(PathHeader.GetSurface(), 0, 0);
    Rows.Draw(graphics);
    graphics.Draw(Pictures[ScrollBar].GetSurface(), ListGeometry::ScrollBarX, ListGeometry::Top);
    graphics.Draw(
        Pictures[Thumb].GetSurface(), ListGeometry::ThumbX,
        static_cast<int16_t>(ListScroll::ThumbY(Shared->ScrollTop, Shared->FolderItems.size())));
    graphics.Draw(Pictures[Separator].GetSurface(), 0, 20);
    graphics.Draw(Pictures[Separator].GetSurface(), 0, ListGeometry::Bottom);
    for (int label = SelectFileLabel; label < LabelCount; ++label)
        if (label != SelectFileLabel || !Message.IsShown())
            Labels[label].Draw(graphics);
    Message.Draw(graphics);
    if (SongSelected())
        PlayItem.Draw(graphics, Shared->MenuSelectImage);
    BackItem.Draw(graphics, Shared->MenuSelectImage);
    RandomizeItem.Draw(graphics, Shared->MenuSelectImage);
    for (const CPushButton* arrow : {&SpeedDown, &SpeedUp})
        graphics.Draw(arrow->GetImage().GetSurface(), static_cast<int16_t>(arrow->GetX()),
                      static_cast<int16_t>(arrow->GetY()));
    Labels[CurrentSpeedLabel].Draw(graphics);
    const int speed = SpeedIndex(Shared->Speed);
    if (speed >= 0)
        Labels[SlowLabel + speed].Draw(graphics);
}

CScene* CMusicSelectScene::Run()
{
    BuildInterface();
    ConnectBrowser();
    StartTrackInfo();
    Browser->InitBrowser();
    // A song the battle could not open comes back selected; the panel says why it did not play.
    const std::string refused = Audio->TakeRefusedSong();
    if (!Message.IsShown() && SongSelected() && !refused.empty() &&
        Shared->FolderItems[uint32_t(Browser->SelectedIndex)]->GetPath() == refused)
        Message.Say(*Fonts, CBrowserMessage::EMessage::Refused);
    SDL_EnableUNICODE(1); // type-to-find reads the characters typed
    if (!RunFrames(*this, *Shared))
        return nullptr;
    if (StartBattle)
        return Shared->Scenes.Build(ESceneId::Battle);
    Shared->ClearFolderItems();
    return Shared->Scenes.Build(ESceneId::Title);
}
