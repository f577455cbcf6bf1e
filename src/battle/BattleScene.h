#pragma once
#include "app/FrameHandler.h"
#include "app/Scene.h"
#include "battle/BattleHud.h"
#include "battle/BattleInput.h"
#include "battle/BattleResults.h"
#include "battle/BattleScenery.h"
#include "battle/SongQueue.h"
#include "battle/lane/LanePainter.h"
#include "battle/rules/BattleRules.h"
#include "battle/rules/BattleTimeline.h"
#include "battle/rules/SceneClock.h"

#include <cstdint>

class CFolderItem;

// Where the battle is, read from outside the scene (its tests watch it through this).
struct SBattleView
{
    EBattlePhase Phase;
    bool Paused;
    bool InResults; // the result screen: the run-out is over and the music stream closed
    int ResultPhase;
    int Trophy;
    bool NewBest;
    int64_t NowMs; // the scene clock
    int32_t LoadingShown;
    bool CountIn;
    const CBattleRules& Rules;
};

// The game itself: analyses the chosen song behind a loading screen, plays it as a level,
// shows the result, and goes on with the next song (PageUp, PageDown, continuous play) until
// the player goes back to music selection or closes the window: loading, playing and the
// result screen are phases of one frame loop. Everything comes from the shared state:
// FolderItems, SelectedItem, FirstSongItem, Speed and PlayContinuous. The mouse is hidden
// and grabbed from construction until the destructor, except while paused or while another
// window has the focus. Every frame first updates (rules, time base, scenery, all on the scene
// clock) and then draws; drawing changes nothing. Main thread only.
class CBattleScene : public CScene, private CFrameHandler
{
public:
    CBattleScene();
    ~CBattleScene() override;

    CScene* Run() override;
    SBattleView View() const;

private:
    using EAsked = CSongQueue::EAsked;
    // What the scene is doing, in the order a song goes through it.
    enum class EStep
    {
        SongToOpen,   // the next Update opens the selected song (the first in the first frame)
        FirstPicture, // loading: the world alone, before the analysis begins
        Loading,
        Playing,
        PlayOver, // the run-out's last frame: it still shows the lane; events are the results'
        Results,
        ResultsOver, // the result screen's last frame was shown
        Done,        // left from Update, for the browser
    };
    EBattlePhase Phase() const; // which screen the events and the frame delay are for

    bool HandleEvent(const SDL_Event& event) override;
    EFrame Update(int64_t elapsedMs) override;
    void Draw(CGraphics& graphics) const override;
    bool IsDone() const override { return false; } // it leaves from Update
    uint32_t FrameDelayMs() const override;

    // The song loop (BattleScene.cpp).
    void ResetSong();
    bool OpenCurrentSong(bool firstSong);
    bool ChooseNextSong(); // false when the scene must end
    // Passes over a song that cannot be played in the direction that led to it; false when
    // the scene must end.
    bool PassOver(const CFolderItem& item);
    EFrame OpenSong(); // the loading screen's first picture, or leave
    EFrame NextAfter(bool played);
    EFrame Leave();

    // Pause, focus and the pointer (BattlePause.cpp).
    void Apply(const SBattleAction& action);
    void Ask(EAsked asked); // a frame's keys give way as the queue orders them
    void Pause();
    void Resume();
    void Focus(bool gained);
    void GrabInput(bool grab);

    // The phases (BattlePhases.cpp).
    EFrame UpdateLoading();
    bool StartLevel(); // false when the music stream cannot be opened
    EFrame UpdatePlaying();
    void EndPlay();
    EFrame UpdateResults();
    void DrawLoading(CGraphics& graphics) const;
    void DrawPlaying(CGraphics& graphics) const;
    void DrawField(CGraphics& graphics) const; // the world, Korvane, Minim: under everything

    EStep Step = EStep::SongToOpen;
    CSongQueue Queue;
    CSceneClock Clock;
    CBattleRules Rules;
    CBattleTimeline Timeline;
    CLanePainter Painter;
    CBattleScenery Scenery;
    CBattleHud Hud;
    CBattleResults Results;

    bool Paused = false;            // the pause and help overlay; carried over to the next song
    bool FocusLost = false;         // another window has the input focus
    EAsked Asked = EAsked::Nothing; // during this song
    // What led to the song being loaded, to pass over it in the same direction when its music
    // cannot be played.
    EAsked LedHere = EAsked::Nothing;
    bool FirstSong = true;
    size_t Unplayable = 0; // songs in a row whose music could not be opened after the analysis

    // Loading.
    int32_t Progress = 0;         // thousandths, 1000 when the map is filled
    int32_t ProgressShown = 0;    // the last progress reported (a step may report the same)
    int32_t LoadingShown = 0;     // the progress of the last picture
    int64_t LastLoadingFrame = 0; // scene-clock ms of that picture
    // Playing and results.
    int64_t SongLength = 0;
};
