#include "menus/AudioSyncScene.h"

#include "app/FrameEvents.h"
#include "app/FrameLoop.h"
#include "app/MenuKeys.h"
#include "app/SharedData.h"
#include "app/Speeds.h"
#include "audio/Audio.h"
#include "audio/backend/output/OutputFormat.h"
#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "menus/TitledSky.h"
#include "platform/Log.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace
{
// The click track: 100 beats per minute at the output's rate, five minutes, then again.
constexpr int64_t BeatFrames = korvane::backend::OutputRate * 60 / 100;
constexpr int64_t TrackClicks = 300;
constexpr int64_t FrameBytes = 2 * korvane::backend::OutputChannels; // 16-bit samples
constexpr double BytesPerMs = korvane::backend::OutputRate * FrameBytes / 1000.0;
// Step 2's beams: as long as an analysed sample, in a column right of the texts.
constexpr int64_t BeamFrames = 4096;
constexpr int BeamNote = 93;
constexpr float NormalSpeed = Speeds[1].Value;
constexpr int32_t StepMs = 5;

constexpr int DotsLeft = 100, DotsStep = 40, DotsY = 260;
constexpr int EntryY = 510;

int DotX(size_t tap)
{
    return DotsLeft + DotsStep * int(tap);
}

std::string Format(const char* format, int a, int b = 0)
{
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// A lone weapon at each click, a silent stretch between: what the analysis would make of it.
void LayClickMap(CAudioMap& map)
{
    std::vector<CAudioMap::SStretch> stretches = {{0, 0}};
    for (int64_t click = 1; click <= TrackClicks; ++click)
    {
        stretches.push_back({click * BeatFrames * FrameBytes, BeamNote});
        stretches.push_back({(click * BeatFrames + BeamFrames) * FrameBytes, 0});
    }
    map.Lay(stretches);
}
} // namespace

CAudioSyncScene::CAudioSyncScene()
{
    SetName("Audio Sync");
}

CAudioSyncScene::~CAudioSyncScene()
{
    Background.Free();
}

void CAudioSyncScene::LoadScreen()
{
    LoadTitledSky(Background, "Audio Sync", *Graphics, *Fonts);
    const char* const ear[] = {"Step 1 of 2 : by ear",
                               "Click the mouse or press Space on every click you hear,",
                               "with your eyes closed : 16 taps."};
    const char* const eye[] = {"Step 2 of 2 : by eye", "Each beam should reach the shield",
                               "just as you hear its click.", "Left and Right move it by 5 ms."};
    const int lineY[] = {90, 150, 180, 210};
    for (size_t i = 0; i < std::size(EarLines); ++i)
        EarLines[i].Create(*Fonts, ear[i], 400, lineY[i], true, 1);
    for (size_t i = 0; i < std::size(EyeLines); ++i)
        EyeLines[i].Create(*Fonts, eye[i], 330, lineY[i], true, 1);
    OffsetDown.Create("data/back.png", 150, 305);
    OffsetUp.Create("data/forward.png", 478, 305);
    TryAgainEntry.Create(*Fonts, "Try again", 150, EntryY, true);
    NextEntry.Create(*Fonts, "Next", 330, EntryY, true);
    SaveEntry.Create(*Fonts, "Save", 330, EntryY, true);
    CancelEntry.Create(*Fonts, "Cancel", 510, EntryY, true);
    Painter.Load();
    // Minim waits under the beams' column, so each beam ends in a catch on the catch line.
    Rules.Place(Lane::BeamCentreX(BeamNote) - Rules.ShieldWidth / 2);
}

std::vector<CMenuItem*> CAudioSyncScene::Entries()
{
    return {&TryAgainEntry, Step == EStep::ByEar ? &NextEntry : &SaveEntry, &CancelEntry};
}

std::vector<const CMenuItem*> CAudioSyncScene::Entries() const
{
    return {&TryAgainEntry, Step == EStep::ByEar ? &NextEntry : &SaveEntry, &CancelEntry};
}

void CAudioSyncScene::StartByEar()
{
    Step = EStep::ByEar;
    TapsMs.clear();
    Judged = false;
    // Taps are heard with the offset shown, so the one proposed is that one plus their median.
    Audio->SetAudioOffset(OffsetMs);
    Clicks.Play();
    ShowFocus();
}

void CAudioSyncScene::StartByEye()
{
    Step = EStep::ByEye;
    if (Judged && Verdict.Enough)
        OffsetMs = Verdict.ProposedMs;
    Audio->SetAudioOffset(OffsetMs);
    ShowOffset();
    StartLane();
    // Step 2 has no taps: Enter saves what the player sees.
    List.SetFocus(ForwardEntry);
    ShowFocus();
}

void CAudioSyncScene::StartLane()
{
    Clicks.Stop();
    Rules.ResetSong();
    Rules.StartLevel(ClickMap);
    const CAudioFile* clicks = &Clicks;
    Timeline.Start(
        NormalSpeed, [clicks](double seconds) { return clicks->Seconds2Bytes(seconds); },
        Clock.NowMs());
}

void CAudioSyncScene::UpdateLane()
{
    if (Timeline.Advance(Clock.NowMs()))
        Clicks.Play();
    if (Timeline.Finished)
    {
        StartLane(); // the track is over: it starts again after a count-in
        return;
    }
    Rules.StepLane(Timeline, int64_t(Clicks.GetPosition()), Clicks.IsPlaying());
}

void CAudioSyncScene::Tap()
{
    if (Step != EStep::ByEar || TapsMs.size() >= size_t(SyncTaps::PerTry))
        return;
    const double ms =
        SyncTaps::DifferenceMs(int64_t(Clicks.GetPosition()), BeatFrames * FrameBytes, BytesPerMs);
    const size_t tap = TapsMs.size();
    TapsMs.push_back(ms);
    TapLabels[tap].Create(*Fonts, Format("%+d", int(std::lround(ms))), DotX(tap) + 6, DotsY + 20,
                          true, 0);
    if (TapsMs.size() == size_t(SyncTaps::PerTry))
    {
        ShowVerdict();
        // The taps are done: Enter goes on to the next step.
        List.SetFocus(ForwardEntry);
        ShowFocus();
    }
}

void CAudioSyncScene::ShowVerdict()
{
    Verdict = SyncTaps::Judge(TapsMs, OffsetMs);
    Judged = true;
    const int counted = SyncTaps::PerTry - SyncTaps::WarmUp;
    Log("Audio sync : %d good taps of %d, median %+.1f ms, spread %.1f ms, proposed offset %d ms\n",
        Verdict.Good, counted, Verdict.MedianMs, Verdict.SpreadMs, int(Verdict.ProposedMs));
    if (Verdict.Enough)
    {
        // Both lines speak of the offset the player gets, whatever was set before the taps.
        VerdictLines[0].Create(*Fonts, Format("Proposed offset : %d ms", Verdict.ProposedMs), 400,
                               340, true, 1);
        VerdictLines[1].Create(
            *Fonts, Format("Spread of your taps : %d ms", int(std::lround(Verdict.SpreadMs))), 400,
            380, true, 1);
    }
    else
    {
        VerdictLines[0].Create(*Fonts, Format("Only %d steady taps of %d", Verdict.Good, counted),
                               400, 340, true, 1);
        VerdictLines[1].Create(*Fonts, "Please try again", 400, 380, true, 1);
    }
}

void CAudioSyncScene::ShiftOffset(int32_t deltaMs)
{
    if (Step != EStep::ByEye)
        return;
    OffsetMs = CAudio::ClampAudioOffset(OffsetMs + deltaMs);
    Audio->SetAudioOffset(OffsetMs);
    ShowOffset();
    // The heard position may have stepped back: the lane's lookups start over.
    Rules.ResetCursor();
}

void CAudioSyncScene::ShowOffset()
{
    OffsetLabel.Create(*Fonts, Format("Audio Sync : %d ms", OffsetMs), 330, 300, true, 1);
}

void CAudioSyncScene::Leave(bool save)
{
    if (save)
    {
        Settings::SetAudioOffsetMs(OffsetMs);
        StoredOffsetMs = OffsetMs;
    }
    Done = true;
}

void CAudioSyncScene::Press(const CMenuItem& entry)
{
    if (&entry == &TryAgainEntry)
        StartByEar();
    else if (&entry == &NextEntry)
        StartByEye();
    else if (&entry == &SaveEntry)
        Leave(true);
    else
        Leave(false);
}

void CAudioSyncScene::HandleClick(int x, int y)
{
    for (const CMenuItem* entry : Entries())
        if (entry->HitTest(x, y))
            return Press(*entry);
    if (Step == EStep::ByEye && OffsetDown.HitTest(x, y))
        ShiftOffset(-StepMs);
    else if (Step == EStep::ByEye && OffsetUp.HitTest(x, y))
        ShiftOffset(StepMs);
    else
        Tap();
}

// Tab, Shift+Tab, Up and Down move the highlight over the step's entries; Enter presses the
// highlighted one (with none, it highlights the step's way forward).
void CAudioSyncScene::HandleMenuKey(EMenuKey action)
{
    const std::vector<CMenuItem*> entries = Entries();
    const int chosen = List.Key(action, int(entries.size()));
    if (chosen >= 0)
        return Press(*entries[size_t(chosen)]);
    List.ShowOn(entries);
}

void CAudioSyncScene::ShowFocus()
{
    List.ShowOn(Entries());
}

bool CAudioSyncScene::HandleEvent(const SDL_Event& event)
{
    if (event.type == SDL_KEYDOWN && MenuKeyOf(event.key.keysym) != EMenuKey::None)
        HandleMenuKey(MenuKeyOf(event.key.keysym));
    else if (event.type == SDL_KEYDOWN)
    {
        switch (event.key.keysym.sym)
        {
        case SDLK_ESCAPE:
            Leave(false);
            break;
        case SDLK_SPACE:
            Tap();
            break;
        case SDLK_LEFT:
            ShiftOffset(-StepMs);
            break;
        case SDLK_RIGHT:
            ShiftOffset(StepMs);
            break;
        default:
            break;
        }
    }
    else if (event.type == SDL_MOUSEMOTION)
    {
        // The pointer takes the highlight over from the keys.
        const std::vector<CMenuItem*> entries = Entries();
        List.SetFocus(-1);
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i]->HitTest(event.motion.x, event.motion.y))
                List.SetFocus(int(i));
        ShowFocus();
    }
    else if (IsLeftClick(event))
        HandleClick(event.button.x, event.button.y);
    return !Done;
}

uint32_t CAudioSyncScene::FrameDelayMs() const
{
    return Step == EStep::ByEye ? PlayFrameDelayMs : MenuFrameDelayMs;
}

CFrameHandler::EFrame CAudioSyncScene::Update(int64_t elapsedMs)
{
    Clock.Tick(elapsedMs);
    if (Step == EStep::ByEye)
        UpdateLane();
    else if (!Clicks.IsPlaying())
        Clicks.Play(); // the track ran out: the clicks go on
    return EFrame::Show;
}

void CAudioSyncScene::Draw(CGraphics& graphics) const
{
    graphics.Draw(Background.GetSurface(), 0, 0);
    if (Step == EStep::ByEar)
    {
        for (const CLabel& line : EarLines)
            line.Draw(graphics);
        for (size_t tap = 0; tap < TapsMs.size(); ++tap)
        {
            const CImage& dot =
                tap < size_t(SyncTaps::WarmUp) ? Shared->Note2Image : Shared->Note1Image;
            graphics.Draw(dot.GetSurface(), int16_t(DotX(tap)), DotsY);
            TapLabels[tap].Draw(graphics);
        }
        if (Judged)
            for (const CLabel& line : VerdictLines)
                line.Draw(graphics);
    }
    else
    {
        for (const CLabel& line : EyeLines)
            line.Draw(graphics);
        OffsetLabel.Draw(graphics);
        for (const CPushButton* arrow : {&OffsetDown, &OffsetUp})
            graphics.Draw(arrow->GetImage().GetSurface(), int16_t(arrow->GetX()),
                          int16_t(arrow->GetY()));
        Painter.DrawMinim(graphics, Rules);
        Painter.DrawLane(graphics, Rules);
    }
    for (const CMenuItem* entry : Entries())
        entry->Draw(graphics, Shared->MenuSelectImage);
}

CScene* CAudioSyncScene::Run()
{
    Clock.Start();
    StoredOffsetMs = OffsetMs = CAudio::StoredAudioOffset();
    LoadScreen();
    LayClickMap(ClickMap);
    Clicks.OpenClickTrack(*Audio, BeatFrames, TrackClicks);
    StartByEar();
    const bool open = RunFrames(*this, *Shared);
    Clicks.Close();
    Audio->SetAudioOffset(StoredOffsetMs);
    return open ? Shared->Scenes.Build(ESceneId::Options) : nullptr;
}
