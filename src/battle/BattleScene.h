#pragma once
#include "app/Scene.h"
#include "battle/Cloud.h"
#include "battle/House.h"
#include "battle/Rock.h"
#include "graphics/Image.h"

#include <SDL/SDL.h>

#include <cstdint>
#include <list>
#include <vector>

class CAudioMap;
class CAudioFile;
class CFolderItem;
class CSample;

// The game itself: analyses the chosen song behind a loading screen, plays it as a level,
// shows the result, and goes on with the next song (PageUp, PageDown, continuous play) until
// the player goes back to music selection or closes the window.
// Everything comes from the shared state: FolderItems, SelectedItem, FirstSongItem, Speed and
// PlayContinuous. The mouse is hidden and grabbed from construction until the destructor,
// except while paused. Main thread only.
class CBattleScene : public CScene
{
public:
    CBattleScene();
    ~CBattleScene() override;

    CScene* Run() override;

private:
    friend struct SBattleProbe; // the scene tests reach the game rules through it

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
    void DrawTitleCentred(int y);

    // Level and time base (BattlePlay.cpp).
    void PlaySong();
    void StartLevel();
    bool UpdatePosition(); // false in the one frame in which the song is found ended
    void DrawPlayingFrame();

    // Rules (BattleGame.cpp).
    void OnMouseMotion(int dx);
    void OnMouseButton(uint8_t button);
    void SetShield90();
    void SetShield(int width);
    void ClampMinim();
    void DrawMinim();
    void UpdateGame();
    void ScanLane(); // one pass over the lane rows at Position: catches, beams, misses
    void CatchOrTouch(CSample* sample, bool samePrevious, int64_t p);
    void OnCatch();
    void OnMiss(int32_t missed, int missedX);
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
    void ShowResults();

    // Scenery (BattleScenery.cpp).
    void DrawScenery(bool playing);
    void DrawClouds();
    void UpdateRocks();

    CAudioFile* Music() const;

    bool LeaveRequested = false;
    bool BackToMenu = false;
    bool Paused = false;
    int RatingX = 0;
    SDL_Surface* PauseOverlay = nullptr;
    int64_t PauseStart = 0;
    bool NextSong = false;
    bool PreviousSong = false;
    bool Finished = false;
    bool SongEnded = false;
    CAudioMap* Map = nullptr;
    float SecondsPerLine = 0.0f;
    int64_t BytesPerLine = 0;
    int64_t Position = 0;
    bool CountIn = false;
    int64_t CountInBytes = 0;
    bool RunOut = false;
    int64_t RunOutBytes = 0;
    int BurstNote = 0;
    uint32_t WeaponCount = 0;
    uint32_t CaughtCount = 0;
    uint32_t MissedCount = 0;
    double Score = 0.0;
    double ReachableScore = 0.0;
    double MaxScore = 0.0;
    int Multiplier = 5;
    int Streak = 0;
    std::list<CRock> Rocks;
    int Trophy = 0;
    int64_t SongLength = 0;
    int ResultPhase = 0;
    CImage BackgroundImage, StarImage, MinimBronzeImage, MinimSilverImage, MinimGoldImage;
    SDL_Surface* HelpHint = nullptr;
    int BurstFrame = 0;
    CImage BurstImages[3], BigBurstImages[3];
    int MinimX = 0;
    int MinimPrevX = 0;
    int MinimY = 0;
    int CatchLeft = 0;
    int CatchRight = 0;
    int ShieldWidth = 90;
    int ShieldReach = 70;
    CImage KorvaneImage, CannonStageImages[4], CannonImage, FiringCannonImage;
    int FiringCannon = -1;
    CImage BackBarImage, ScoreBarImage, LazerBarImage;
    SDL_Rect FieldRect{40, 0, 720, 550};
    SDL_Rect LaneRect{100, 50, 720, 500};
    CImage GelBarImage, GelBarOverlayImage, UnderBarImage, BarStartImage, BarEndImage, LazerImage,
        BeamLowerCapImage, BeamUpperCapImage, BeamBodyImages[5], Shield120Image, Shield90Image,
        Shield60Image, MinimImage, TimeBackImage, TreeImage;
    CHouse Houses[10];
    CCloud Clouds[5];
    int64_t CountInStart = 0;
    int64_t RunOutStart = 0;
    CImage GoldTrophyImage, SilverTrophyImage, BronzeTrophyImage, PerfectTrophyImage;

    // When the loading screen last showed a picture (counter value), and whether the song's
    // save was a new best.
    int64_t LastLoadingFrame = 0;
    bool NewBest = false;
};
