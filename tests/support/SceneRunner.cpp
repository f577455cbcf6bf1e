#include "support/SceneRunner.h"

#include "app/Scene.h"
#include "app/SharedData.h"
#include "audio/Audio.h"
#include "game/GameScenes.h"
#include "graphics/Graphics.h"
#include "platform/DetachedWork.h"
#include "platform/Log.h"
#include "songs/FolderItem.h"
#include "support/StandInDevice.h"

#include <cstdlib>

void CStandInPacer::Wait(uint32_t delayMs, const FListen& listen)
{
    Clock.Advance((delayMs > 0 ? int64_t(delayMs) : IdleStepMs) * 1'000'000);
    // Work the game does on its threads (the browser's reads) is as good as done while a frame
    // waits: the next frame finds it done, whatever the machine's load.
    DetachedWork::AwaitNonePending(std::chrono::seconds(60));
    if (Shared.Audio && Shared.Audio->GetOutput() && Device)
        Device->PlayDue();
    if (listen)
        listen();
}

CSceneHarness::CSceneHarness() : Data(std::make_unique<CSharedData>())
{
    // The one stand-in clock: the timer reads it, the sound device plays by it, the pacer
    // moves it.
    Data->Timer.UseStandIn(&Time);
    auto pacer = std::make_unique<CStandInPacer>(Time, *Data);
    StandInPacer = pacer.get();
    Data->Pacer = std::move(pacer);
    Data->MakeSoundDevice = [this]
    {
        auto device = std::make_unique<korvane::backend::CStandInDevice>(Time);
        StandInPacer->Device = device.get();
        return device;
    };
    StandInPacer->OnShown = [this](CGraphics& graphics) { OnFrame(graphics, ++FramesShown); };
    AddGameScenes(Data->Scenes);
    RecordAsked();
    Initialised = Data->Init();
}

CSceneHarness::~CSceneHarness()
{
    Data->Shutdown();
}

void CSceneHarness::RecordAsked()
{
    for (size_t i = 0; i < size_t(ESceneId::Count); ++i)
    {
        const auto id = ESceneId(i);
        CSceneFactory::FBuild build = Data->Scenes.Get(id);
        if (!build)
            continue;
        Data->Scenes.Set(id,
                         [this, id, build]
                         {
                             CScene* scene = build();
                             const CSharedData& shared = *Data;
                             const bool song = shared.SelectedItem < shared.FolderItems.size();
                             AskedFor.push_back(
                                 {id, scene ? scene->GetName() : "",
                                  song ? shared.FolderItems[shared.SelectedItem]->GetPath() : "",
                                  Capture.Text().size()});
                             if (scene)
                                 Shown.push_back(scene->GetName());
                             return scene;
                         });
    }
}

std::string CSceneHarness::SceneSequence() const
{
    std::string sequence;
    for (const std::string& name : Shown)
        sequence += (sequence.empty() ? "" : ",") + name;
    return sequence;
}

std::string CSceneHarness::Current() const
{
    return Shown.empty() ? "" : Shown.back();
}

void CSceneHarness::At(uint64_t frame, const SDL_Event& event)
{
    Events.emplace(frame, event);
}

void CSceneHarness::AtFrame(uint64_t frame, std::function<void(CGraphics&)> check)
{
    Checks.emplace(frame, std::move(check));
}

void CSceneHarness::PushDue(uint64_t frame)
{
    auto [first, last] = Events.equal_range(frame);
    for (auto it = first; it != last; ++it)
        SDL_PushEvent(&it->second);
}

void CSceneHarness::OnFrame(CGraphics& graphics, uint64_t frame)
{
    auto [first, last] = Checks.equal_range(frame);
    for (auto it = first; it != last; ++it)
        it->second(graphics);
    for (const auto& step : Steps)
        step(frame);
    PushDue(frame);
    if (frame >= MaxFrames)
    {
        FrameLimitHit = true;
        SDL_Event quit = Quit();
        SDL_PushEvent(&quit);
    }
}

void CSceneHarness::Run(CScene* first)
{
    // Drop what the window system queued at start-up, so a script sees only its own events.
    SDL_Event stale;
    while (SDL_PollEvent(&stale))
    {
    }
    PushDue(0);
    if (first)
        Shown.push_back(first->GetName());
    RunScenes(first, Data.get());
}

SDL_Event CSceneHarness::Click(int x, int y, uint8_t button)
{
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = button;
    event.button.state = SDL_PRESSED;
    event.button.x = static_cast<Uint16>(x);
    event.button.y = static_cast<Uint16>(y);
    return event;
}

SDL_Event CSceneHarness::Release(int x, int y, uint8_t button)
{
    SDL_Event event = Click(x, y, button);
    event.type = SDL_MOUSEBUTTONUP;
    event.button.state = SDL_RELEASED;
    return event;
}

SDL_Event CSceneHarness::Motion(int x, int y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = static_cast<Uint16>(x);
    event.motion.y = static_cast<Uint16>(y);
    return event;
}

SDL_Event CSceneHarness::RelativeMotion(int dx)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = static_cast<Sint16>(dx);
    return event;
}

SDL_Event CSceneHarness::Focus(bool gained)
{
    SDL_Event event{};
    event.type = SDL_ACTIVEEVENT;
    event.active.gain = gained ? 1 : 0;
    event.active.state = SDL_APPINPUTFOCUS;
    return event;
}

SDL_Event CSceneHarness::Key(SDLKey key)
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    return event;
}

SDL_Event CSceneHarness::Quit()
{
    SDL_Event event{};
    event.type = SDL_QUIT;
    return event;
}

SDL_Color ScreenPixel(CGraphics& graphics, int x, int y)
{
    SDL_Surface* screen = graphics.GetScreen();
    SDL_LockSurface(screen);
    const int bpp = screen->format->BytesPerPixel;
    const uint8_t* p = static_cast<const uint8_t*>(screen->pixels) + y * screen->pitch + x * bpp;
    uint32_t value = 0;
    switch (bpp)
    {
    case 1:
        value = *p;
        break;
    case 2:
        value = *reinterpret_cast<const uint16_t*>(p);
        break;
    case 3:
        value = p[0] | p[1] << 8 | p[2] << 16;
        break;
    default:
        value = *reinterpret_cast<const uint32_t*>(p);
    }
    SDL_UnlockSurface(screen);
    SDL_Color colour{};
    SDL_GetRGB(value, screen->format, &colour.r, &colour.g, &colour.b);
    return colour;
}
