#pragma once
#include "app/Pacer.h"
#include "platform/Clock.h"
#include "support/LogCapture.h"

#include <SDL/SDL.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CSharedData;
enum class ESceneId;
namespace korvane::backend
{
class CStandInDevice;
} // namespace korvane::backend
class CScene;
class CGraphics;

// The tests' pacer: a frame's pause moves the stand-in clock instead of sleeping, and the
// stand-in sound device plays what is due by then. A frame without a pause (the loading
// screen's analysis steps) moves it by IdleStepMs.
class CStandInPacer : public CPacer
{
public:
    CStandInPacer(CStandInClock& clock, CSharedData& shared) : Clock(clock), Shared(shared) {}
    void Wait(uint32_t delayMs, const FListen& listen) override;
    void Shown(CGraphics& graphics) override
    {
        if (OnShown)
            OnShown(graphics);
    }
    int64_t IdleStepMs = 1;
    korvane::backend::CStandInDevice* Device = nullptr; // the sound output's, once it is open
    std::function<void(CGraphics&)> OnShown;            // after every frame presented

private:
    CStandInClock& Clock;
    CSharedData& Shared;
};

// Runs scenes in-process on the real engines (SDL's dummy video driver, the stand-in sound
// device) and the game's scene factory, on a stand-in clock that moves only with the frames'
// pauses, so no scene waits on the wall clock. Pushes scripted input after chosen frames and
// lets checks read the screen between frames. A run that goes on past MaxFrames gets a quit
// event, so a stuck scene cannot hang a test.
class CSceneHarness
{
public:
    CSceneHarness();
    ~CSceneHarness();
    CSceneHarness(const CSceneHarness&) = delete;
    CSceneHarness& operator=(const CSceneHarness&) = delete;

    bool Ready() const { return Initialised; }
    CSharedData& Shared() { return *Data; }
    CStandInClock& Clock() { return Time; }
    CStandInPacer& Pacer() { return *StandInPacer; }

    // Frame 0 is before the first frame is shown; frame n right after the n-th Flip.
    void At(uint64_t frame, const SDL_Event& event);
    void AtFrame(uint64_t frame, std::function<void(CGraphics&)> check);
    // Called after every frame (before the events due at it are pushed): scripts that react
    // to the scene's state or its log rather than to a frame number.
    void EachFrame(std::function<void(uint64_t frame)> step) { Steps.push_back(std::move(step)); }
    static void Push(SDL_Event event) { SDL_PushEvent(&event); }
    void Run(CScene* first); // the scene loop, as the game runs it
    uint64_t Frames() const { return FramesShown; }
    bool HitFrameLimit() const { return FrameLimitHit; }
    std::string LogText() { return Capture.Text(); }

    // A scene the running one asked the factory for, and the song selected when it did.
    struct SSceneAsked
    {
        ESceneId Id;
        std::string Name;
        std::string Song; // the path of the selected entry of the list, "" for none
        size_t LogAt;     // the log's length then: what the scene wrote follows
    };
    const std::vector<SSceneAsked>& Asked() const { return AskedFor; }
    // The scenes run so far by name, comma-separated: each first one, then each asked for.
    std::string SceneSequence() const;
    // The scene whose frames are shown now.
    std::string Current() const;
    uint64_t MaxFrames = 3000;

    static SDL_Event Click(int x, int y, uint8_t button = SDL_BUTTON_LEFT);
    static SDL_Event Release(int x, int y, uint8_t button = SDL_BUTTON_LEFT);
    static SDL_Event Motion(int x, int y);
    static SDL_Event RelativeMotion(int dx); // as a grabbed pointer reports it
    static SDL_Event Focus(bool gained);     // the window gains or loses the input focus
    static SDL_Event Key(SDLKey key);
    static SDL_Event Quit();

private:
    void OnFrame(CGraphics& graphics, uint64_t frame);
    void RecordAsked(); // wraps every builder of the game's factory
    void PushDue(uint64_t frame);

    CLogCapture Capture;
    CStandInClock Time;
    std::unique_ptr<CSharedData> Data;
    CStandInPacer* StandInPacer = nullptr; // owned by Data
    bool Initialised = false;
    std::multimap<uint64_t, SDL_Event> Events;
    std::multimap<uint64_t, std::function<void(CGraphics&)>> Checks;
    std::vector<std::function<void(uint64_t)>> Steps;
    uint64_t FramesShown = 0;
    std::vector<std::string> Shown; // the scenes run, by name, in order
    std::vector<SSceneAsked> AskedFor;
    bool FrameLimitHit = false;
};

// Colour of a screen pixel (tests only).
SDL_Color ScreenPixel(CGraphics& graphics, int x, int y);
