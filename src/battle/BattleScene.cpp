#include "battle/BattleScene.h"

#include "app/FrameLoop.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "platform/Log.h"
#include "songs/FolderItem.h"

#include <utility>

CBattleScene::CBattleScene()
{
    SetName("Battle");
    ResetSong();
}

CBattleScene::~CBattleScene()
{
    GrabInput(false);
}

void CBattleScene::ResetSong()
{
    Asked = EAsked::Nothing;
    Timeline.Finished = false;
    Timeline.Position = 0;
    Rules.ResetSong();
    Scenery.SetHouseLevels(CHouse::PlainLevel);
    // A pause carried over from the previous song, or a player in another window, keeps the
    // pointer free.
    GrabInput(!Paused && !FocusLost);
}

bool CBattleScene::OpenCurrentSong(bool firstSong)
{
    // A song reached by PageUp, PageDown or continuous play that cannot be played is passed
    // over in the same direction, at most once round the list; the chosen one goes back.
    const size_t attempts = firstSong ? 1 : Shared->FolderItems.size() + 1;
    for (size_t i = 0; i < attempts; ++i)
    {
        CFolderItem* item = Queue.Current();
        if (!item)
            Log("No song to play at entry %u of the list (%zu entries)\n", Shared->SelectedItem,
                Shared->FolderItems.size());
        else if (Audio->OpenForAnalysis(item->GetPath()))
            return true;
        if (firstSong || !item || !PassOver(*item))
            return false;
    }
    return false;
}

bool CBattleScene::PassOver(const CFolderItem& item)
{
    Log("Skipping %s\n", item.GetPath().c_str());
    // The way that led here, unless only Q was pressed since (which still goes back).
    if (LedHere != EAsked::Nothing || Asked != EAsked::Back)
        Asked = LedHere;
    return ChooseNextSong();
}

bool CBattleScene::ChooseNextSong()
{
    return Queue.Advance(Asked);
}

CFrameHandler::EFrame CBattleScene::OpenSong()
{
    // Q is no direction: a song it led to (none) is never passed over.
    LedHere = Asked == EAsked::Back ? EAsked::Nothing : Asked;
    if (!OpenCurrentSong(FirstSong))
        return Leave();
    Queue.Current()->ReadTrackInfo();
    ResetSong();
    Progress = ProgressShown = 0;
    // The first picture: the world alone, before the analysis begins.
    Step = EStep::FirstPicture;
    Scenery.Update(Clock.NowMs(), false, Shared->Timer.Random);
    LastLoadingFrame = Clock.NowMs();
    Audio->GetAnalysis().StartDecoding();
    return EFrame::Show;
}

CFrameHandler::EFrame CBattleScene::NextAfter(bool played)
{
    // A song removed or changed since its analysis fails as a song that cannot be opened: the
    // chosen one goes back, one reached by a key or continuous play is passed over in the same
    // direction.
    if (played)
        Unplayable = 0;
    if (played
            ? !ChooseNextSong()
            : FirstSong || ++Unplayable > Shared->FolderItems.size() || !PassOver(*Queue.Current()))
        return Leave();
    FirstSong = false;
    return OpenSong();
}

SBattleView CBattleScene::View() const
{
    const bool musicClosed = !Audio || Audio->GetMusic()->GetHandle() == 0;
    return {Phase(),
            Paused,
            (Step == EStep::Results || Step == EStep::ResultsOver) && musicClosed,
            Results.GetPhase(),
            Results.GetTrophy(),
            Results.IsNewBest(),
            Clock.NowMs(),
            LoadingShown,
            Timeline.CountIn,
            Rules};
}

CFrameHandler::EFrame CBattleScene::Leave()
{
    Step = EStep::Done;
    return EFrame::Leave;
}

bool CBattleScene::HandleEvent(const SDL_Event& event)
{
    const SBattleAction action = ReadBattleEvent(event, Phase());
    Apply(action);
    return !action.Stop;
}

CFrameHandler::EFrame CBattleScene::Update(int64_t elapsedMs)
{
    Clock.Tick(elapsedMs);
    if (Step == EStep::SongToOpen)
        return OpenSong();
    switch (Phase())
    {
    case EBattlePhase::Loading:
        return UpdateLoading();
    case EBattlePhase::Playing:
        return UpdatePlaying();
    case EBattlePhase::Results:
        return UpdateResults();
    }
    return EFrame::Hold;
}

void CBattleScene::Draw(CGraphics& graphics) const
{
    if (Paused)
        Hud.DrawPause(graphics);
    else if (Phase() == EBattlePhase::Loading)
        DrawLoading(graphics);
    else
        DrawPlaying(graphics);
}

uint32_t CBattleScene::FrameDelayMs() const
{
    if (Paused)
        return PausedFrameDelayMs;
    return Phase() == EBattlePhase::Loading ? 0 : PlayFrameDelayMs;
}

EBattlePhase CBattleScene::Phase() const
{
    switch (Step)
    {
    case EStep::SongToOpen:
    case EStep::FirstPicture:
    case EStep::Loading:
        return EBattlePhase::Loading;
    case EStep::Playing:
        return EBattlePhase::Playing;
    default:
        return EBattlePhase::Results;
    }
}

CScene* CBattleScene::Run()
{
    Queue.SetShared(Shared);
    Clock.Start();
    Scenery.Load(Shared->Note1Image, Shared->Note2Image);
    Scenery.Lay(Shared->Timer.Random, Clock.NowMs());
    Scenery.StartAnimation(Clock.NowMs());
    Hud.Load(*Graphics, *Fonts);
    Painter.Load();
    Results.Layout(*Fonts);
    Rules.Place(Lane::Left);
    const bool open = RunFrames(*this, *Shared);
    // The window closed in the middle of a song: nothing of it stays open.
    Audio->StopMusic();
    Audio->CloseMusic();
    Audio->CloseAnalysis();
    if (!open && Step != EStep::Done)
        return nullptr;
    return Shared->Scenes.Build(ESceneId::MusicSelect);
}
