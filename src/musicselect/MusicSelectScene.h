#pragma once
#include "app/Scene.h"
#include "audio/AudioFile.h"
#include "graphics/Image.h"
#include "graphics/Label.h"
#include "graphics/MenuItem.h"
#include "graphics/PushButton.h"
#include "musicselect/BrowserRows.h"

#include <cstdint>
#include <memory>

class CFolderBrowser;

// The music browser: the list of folders and songs with their titles and best ratings at the
// current speed, a preview of the clicked song, a shuffle, and the speed arrows. Mouse only.
// Returns the battle for the selected song, the title on Back, or null when the window is
// closed. The list lives in the shared state, so a return from the battle finds the same
// order, scroll position and song again.
class CMusicSelectScene : public CScene
{
public:
    CMusicSelectScene();
    ~CMusicSelectScene() override;

    CScene* Run() override;

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
        FirstMoreFormatsLabel, // the formats beyond the design's two, in rows below them
        LabelCount = FirstMoreFormatsLabel + 9
    };

    void BuildInterface();
    void ConnectBrowser();
    void HandleEvents();
    void HandleClick(int x, int y);
    void HandleMotion(int x, int y);
    void Scroll(bool up);
    void StepSpeed(bool up);
    void OpenSong(uint32_t index);
    void Randomize();
    void LoadVisibleTrackInfo();
    void RenderRows();
    void Draw();
    void DrawPathHeader();

    bool Quit = false;
    bool StartBattle = false;
    bool BackToTitle = false;
    int64_t LastInfoRead = 0;
    int32_t Hover = -1; // screen row under the pointer, -1 = none
    bool DraggingThumb = false;

    CImage Pictures[PictureCount];
    CMenuItem PlayItem, BackItem, RandomizeItem;
    CPushButton SpeedDown, SpeedUp;
    CLabel Labels[LabelCount];
    CImage PathHeader; // CurrentPath rendered once per folder
    CBrowserRows Rows;
    CAudioFile Preview; // closed while nothing is previewed
    std::unique_ptr<CFolderBrowser> Browser;
};
