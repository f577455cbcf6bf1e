#pragma once
#include "app/FrameHandler.h"
#include "app/Scene.h"
#include "audio/AudioFile.h"
#include "graphics/Image.h"
#include "graphics/Label.h"
#include "graphics/MenuItem.h"
#include "graphics/PushButton.h"
#include "musicselect/BrowserMessage.h"
#include "musicselect/BrowserRows.h"
#include "musicselect/TypeToFind.h"

#include <cstdint>
#include <memory>
#include <vector>

class CFolderBrowser;
class CFolderItem;
class CReadWorker;
class CTrackInfoCache;
struct STrackInfo;
enum class ESongTrouble;
namespace korvane::backend
{
class CReader;
}

// The music browser: the list of folders and songs with their titles and best ratings at the
// current speed, a preview of the clicked song, a shuffle, and the speed arrows, by mouse,
// keys and double-clicks.
// Returns the battle for the selected song, the title on Back, or null when the window is
// closed. The list lives in the shared state, so a return from the battle finds the same
// order, scroll position and song again.
class CMusicSelectScene : public CScene, private CFrameHandler
{
public:
    CMusicSelectScene();
    ~CMusicSelectScene() override;

    CScene* Run() override;

    // What the player sees and hears of the selection.
    bool IsPreviewing() const { return Preview.IsPlaying(); }
    int32_t GetSelectedIndex() const; // -1 = none

private:
    // The twelve pictures, in the order they are loaded.
    enum EPicture
    {
        Sky,
        ScrollBar,
        Thumb,
        Separator,
        OddRow,
        EvenRow,
        HoverRow,
        SelectedRow,
        BronzeMedal,
        SilverMedal,
        GoldMedal,
        PerfectMedal,
        PictureCount
    };
    enum ELabel
    {
        CurrentSpeedLabel,
        SlowLabel,
        NormalLabel,
        FastLabel,
        SelectFileLabel,
        FormatsLabel,
        Mp3Label,
        OggLabel,
        FirstMoreFormatsLabel, // the formats beyond MP3 and OGG, in rows below them
        LabelCount = FirstMoreFormatsLabel + 9
    };

    bool HandleEvent(const SDL_Event& event) override;
    EFrame Update(int64_t elapsedMs) override;
    void Draw(CGraphics& graphics) const override;
    bool IsDone() const override { return StartBattle || BackToTitle; }
    uint32_t FrameDelayMs() const override { return MenuFrameDelayMs; }
    bool RepeatsKey(SDLKey key) const override;
    void BuildInterface();
    void ConnectBrowser();
    void HandleClick(int x, int y);
    void HandleMotion(int x, int y);
    void Scroll(int64_t rows);
    void StepSpeed(bool up);
    void OpenSong(uint32_t index);
    void PlaySong(uint32_t index);
    bool SongSelected() const;
    void HandleKey(const SDL_keysym& key);
    void MoveSelection(int64_t index);
    void ChooseSelected();
    void FindTyped(const SDL_keysym& key);
    void StartSettledPreview();
    void Randomize();
    void StartTrackInfo();
    void AskTrackInfo();
    void TakeTrackInfo(const STrackInfo& info);
    void TakeAnswers();
    void AskPreview(uint32_t index);
    void TakePreview(const std::string& path, std::unique_ptr<korvane::backend::CReader> reader,
                     ESongTrouble trouble);
    void RenderRows();

    bool StartBattle = false;
    bool BackToTitle = false;
    int32_t Hover = -1; // screen row under the pointer, -1 = none
    bool DraggingThumb = false;
    void TellWhyNot(uint32_t index, ESongTrouble trouble); // a song that cannot be opened
    CBrowserMessage Message;
    bool PreviewPending = false; // keys moved onto a song: its preview waits for them to settle
    int64_t NowMs = 0;           // the loop's elapsed time since the browser opened
    bool SelectionMoved = false; // timed by the next Update
    int64_t SelectionMovedAt = 0;
    int64_t LastClickAt = 0;
    int64_t LastClickIndex = -1; // list index of the last click on a row, for double-clicks
    CTypeToFind Finder;

    CImage Pictures[PictureCount];
    CMenuItem PlayItem, BackItem, RandomizeItem;
    CPushButton SpeedDown, SpeedUp;
    CLabel Labels[LabelCount];
    CImage PathHeader; // CurrentPath rendered once per folder
    CBrowserRows Rows;
    CAudioFile Preview; // closed while nothing is previewed
    std::unique_ptr<CFolderBrowser> Browser;
    // Files are read off the frame loop: the rows' tags, and the preview's opening apart,
    // so a preview never waits behind a page of tags. Leaving abandons both at once.
    std::shared_ptr<CTrackInfoCache> InfoCache;
    std::unique_ptr<CReadWorker> InfoReads, PreviewReads;
    uint64_t AskedListing = 0;
    std::vector<const CFolderItem*> Asked; // what the worker was last asked for, in that order
    bool InfoTaken = false;                // a row took its information this frame
};
