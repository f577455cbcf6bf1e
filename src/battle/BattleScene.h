#pragma once
#include "app/Scene.h"
#include "battle/BattleRules.h"
#include "battle/BattleTimeline.h"
#include "battle/Cloud.h"
#include "battle/House.h"
#include "battle/LanePainter.h"
#include "battle/Rock.h"
#include "battle/SceneClock.h"
#include "graphics/Image.h"

#include <SDL/SDL.h>

#include <cstdint>
#include <list>
#include <vector>

class CAudioMap;
class CAudioFile;
class CFolderItem;

// The game itself: analyses the chosen song behind a loading screen, plays it as a level,
// shows the result, and goes on with the next song (PageUp, PageDown, continuous play) until
// the player goes back to music selection or closes the window.
// Everything comes from the shared state: FolderItems, SelectedItem, FirstSongItem, Speed and
// PlayContinuous. The mouse is hidden and grabbed from construction until the destructor,
// except while paused or while another window has the focus. Every frame first updates
// (rules, time base, scenery, all on the scene clock) and then draws; drawing changes no
// state. Main thread only.
class CBattleScene : public CScene
{
public:
    CBattleScene();
    ~CBattleScene() override;

    CScene* Run() override;

private:
    friend struct SBattleProbe; // the scene tests drive the clock by hand and read the state

    enum class EEvents
    {
        Loading,
        Playing,
        Results
    };

    struct SAsset
    {
        CImage* Image;
        const char* File;
        bool ColorKey;
        int Alpha; // -1: none set
    };

    // Lifecycle and song loop (BattleScene.cpp).
    std::vector<SAsset> Assets(); // every picture of the scene, in loading order
    void LoadAssets();
    void BuildPauseOverlay();
    void LayoutScene();
    void ResetSong();
    bool ChooseNextSong();            // false when the scene must end
    CFolderItem* CurrentItem() const; // null when SelectedItem is not a song of the list
    bool OpenCurrentSong(bool firstSong);
    void HandleEvents(EEvents loop);
    void HandleKey(SDLKey key, EEvents loop, bool& stop);
    void HandleFocus(const SDL_ActiveEvent& active, EEvents loop);
    void Pause(bool fromLoading);
    void Resume(bool fromLoading);
    void GrabInput(bool grab);
    void ShowPauseFrame();
    static CScene* BackToMusicSelection();

    // Loading screen (BattleLoading.cpp).
    void LoadSong();
    void DrawLoadingScreen(int32_t progress);
    void DrawLoadingText(int32_t percent);
    void DrawTitleCentred(int y, bool outlined);

    // Level and time base (BattlePlay.cpp).
    bool PlaySong(); // false when the music stream cannot be opened
    bool StartLevel();
    void UpdateGame(); // the position of the frame, then the rules over the lane
    void DrawPlayingFrame();

    // The player and the lane (BattleGame.cpp).
    void OnMouseButton(uint8_t button);
    void AnswerOutcome(const SFrameOutcome& outcome);
    void SetHouseLevels(int level);

    // HUD and results (BattleHud.cpp).
    void DrawKorvane();
    void DrawCannons();
    void DrawHelpHint();
    void DrawTime();
    void DrawScoreBar(double value);
    void DrawRating(double value);
    void DrawSongTitle();
    void DrawTrophy();
    void DrawNewHighscore();
    void DrawClickToContinue();
    void DrawTextCentred(SDL_Surface* text, int y);
    void DrawOutlined(SDL_Surface* text, SDL_Surface* outline, int x, int y);
    void DrawOutlinedCentred(SDL_Surface* text, SDL_Surface* outline, int y);
    void DrawRingedCentred(SDL_Surface* text, int y);
    void ShowResults();
    void DrawResultFrame(int64_t elapsedMs);

    // Scenery (BattleScenery.cpp).
    void UpdateScenery(bool playing);
    void UpdateRocks();
    void DrawScenery();
    void DrawClouds();
    void DrawRocks();

    CAudioFile* Music() const;

    CSceneClock Clock;
    CBattleRules Rules;
    CBattleTimeline Timeline;
    bool LeaveRequested = false;
    bool BackToMenu = false;
    bool Paused = false;
    int RatingX = 0;
    SDL_Surface* PauseOverlay = nullptr;
    bool NextSong = false;
    bool PreviousSong = false;
    CAudioMap* Map = nullptr;
    std::list<CRock> Rocks;
    int Trophy = 0;
    int64_t SongLength = 0;
    int ResultPhase = 0;
    CImage BackgroundImage, StarImage, MinimBronzeImage, MinimSilverImage, MinimGoldImage;
    SDL_Surface* HelpHint = nullptr;
    CImage KorvaneImage, CannonStageImages[4], CannonImage, FiringCannonImage;
    CImage BackBarImage, ScoreBarImage, LazerBarImage;
    SDL_Rect FieldRect{Lane::FieldLeft, Lane::FieldTop, Lane::FieldWidth, Lane::FieldHeight};
    SDL_Rect LaneRect{Lane::Left, Lane::Top, Lane::Width, Lane::Height};
    CImage GelBarImage, GelBarOverlayImage, UnderBarImage, BarStartImage, BarEndImage, LazerImage,
        TimeBackImage, TreeImage;
    CLanePainter Painter;
    CHouse Houses[10];
    CCloud Clouds[5];
    CImage GoldTrophyImage, SilverTrophyImage, BronzeTrophyImage, PerfectTrophyImage;

    int64_t LastLoadingFrame = 0; // scene-clock ms of the loading screen's last picture
    bool NewBest = false;         // the song's save was a new best
    bool FocusLost = false;       // another window has the input focus
    int32_t LoadingShown = 0;     // the progress of the loading screen's last picture
};
