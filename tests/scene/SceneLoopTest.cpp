#include "app/FrameHandler.h"
#include "app/FrameLoop.h"
#include "app/Scene.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "support/SceneRunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using EFrame = CFrameHandler::EFrame;

// A screen that plays a script and writes down what the loop asked of it: "e" an event,
// "u<ms>" an update with its elapsed time, "d" a drawing.
class CScriptedScreen : public CFrameHandler
{
public:
    std::vector<EFrame> Answers; // Update's answers in turn; Show once they run out
    int DoneAfterEvent = 0;      // IsDone from this event on (1-based), 0 never
    int HoldRestAtEvent = 0;     // HandleEvent keeps the events after this one for later
    uint32_t DelayMs = 30;
    mutable std::string Record; // Draw is const to the game, not to the record

    bool HandleEvent(const SDL_Event&) override
    {
        Record += "e ";
        ++Events;
        return Events != HoldRestAtEvent;
    }
    EFrame Update(int64_t elapsedMs) override
    {
        Record += "u" + std::to_string(elapsedMs) + " ";
        return Updates < Answers.size() ? Answers[Updates++] : EFrame::Show;
    }
    void Draw(CGraphics&) const override { Record += "d "; }
    bool IsDone() const override { return DoneAfterEvent > 0 && Events >= DoneAfterEvent; }
    uint32_t FrameDelayMs() const override { return DelayMs; }

private:
    int Events = 0;
    size_t Updates = 0;
};

int PendingEvents()
{
    int pending = 0;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        ++pending;
    return pending;
}
} // namespace

// The order of a frame, and what each answer of Update does to it.
TEST(FrameLoop, RunsTheFrameInItsOrderAndAsUpdateAnswers)
{
    const struct
    {
        const char* Name;
        std::vector<EFrame> Answers;
        int EventsBefore;    // key presses queued before the loop starts
        int DoneAfterEvent;  // see CScriptedScreen
        int HoldRestAtEvent; // see CScriptedScreen
        bool QuitBefore;     // the close button, queued before the keys
        const char* Record;  // what the screen was asked
        uint64_t Shown;      // frames presented
        bool Returned;       // RunFrames' answer
        int LeftForNext;     // events still queued afterwards
    } cases[] = {
        {"shown frames, then leave",
         {EFrame::Show, EFrame::Show, EFrame::Leave},
         0,
         0,
         0,
         false,
         "u0 d u30 d u30 ",
         2,
         true,
         0},
        {"a held frame is neither drawn nor presented",
         {EFrame::Hold, EFrame::Show, EFrame::Leave},
         0,
         0,
         0,
         false,
         "u0 u30 d u30 ",
         1,
         true,
         0},
        {"the last frame is shown, its pause passes, the rest is the next screen's",
         {EFrame::ShowThenLeave},
         0,
         0,
         0,
         false,
         "u0 d ",
         1,
         true,
         0},
        {"a decision on an event that keeps the rest leaves at once",
         {},
         2,
         1,
         1,
         false,
         "e ",
         0,
         true,
         1},
        {"a decision still hears the frame's events, then leaves without an update",
         {},
         2,
         1,
         0,
         false,
         "e e ",
         0,
         true,
         0},
        {"events kept for later come in the next frame",
         {EFrame::Show, EFrame::Leave},
         2,
         0,
         1,
         false,
         "e u0 d e u30 ",
         1,
         true,
         0},
        {"the close button ends the loop", {}, 1, 0, 0, true, "", 0, false, 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CSceneHarness harness;
        ASSERT_TRUE(harness.Ready());
        PendingEvents(); // what the window system queued at start-up
        if (c.QuitBefore)
            CSceneHarness::Push(CSceneHarness::Quit());
        for (int i = 0; i < c.EventsBefore; ++i)
            CSceneHarness::Push(CSceneHarness::Key(SDLK_a));
        CScriptedScreen screen;
        screen.Answers = c.Answers;
        screen.DoneAfterEvent = c.DoneAfterEvent;
        screen.HoldRestAtEvent = c.HoldRestAtEvent;
        EXPECT_EQ(RunFrames(screen, harness.Shared()), c.Returned);
        EXPECT_EQ(screen.Record, c.Record);
        EXPECT_EQ(harness.Frames(), c.Shown);
        EXPECT_EQ(PendingEvents(), c.LeftForNext);
    }
}

// The last frame's pause passes before the next screen starts: its time is not the next's.
TEST(FrameLoop, ALastFrameShownStillGetsItsPause)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    CScriptedScreen screen;
    screen.Answers = {EFrame::ShowThenLeave};
    const int64_t before = harness.Clock().NowNs();
    RunFrames(screen, harness.Shared());
    EXPECT_EQ(harness.Clock().NowNs() - before, 30'000'000);
}

namespace
{
std::vector<std::string> Lives; // what the chain's scenes did, in order

// A scene that runs a few frames of a scripted screen and hands over to the next.
class CChainScene : public CScene
{
public:
    CChainScene(const std::string& name, int frames, CScene* (*next)()) : Frames(frames), Next(next)
    {
        SetName(name);
        Lives.push_back(name + " built");
    }
    ~CChainScene() override { Lives.push_back(GetName() + " deleted"); }

    CScene* Run() override
    {
        Lives.push_back(GetName() + " runs");
        CScriptedScreen screen;
        screen.Answers.assign(size_t(Frames), EFrame::Show);
        screen.Answers.push_back(EFrame::Leave);
        if (!RunFrames(screen, *Shared))
            return nullptr;
        return Next ? Next() : nullptr;
    }

private:
    int Frames;
    CScene* (*Next)();
};

CScene* MakeLast()
{
    return new CChainScene("Last", 2, nullptr);
}
CScene* MakeMiddle()
{
    return new CChainScene("Middle", 2, MakeLast);
}
} // namespace

TEST(SceneLoop, RunsScenesInOrderAndDeletesEachBeforeTheNextStarts)
{
    Lives.clear();
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.Run(new CChainScene("First", 2, MakeMiddle));
    const std::vector<std::string> expected = {"First built",    "First runs",  "Middle built",
                                               "First deleted",  "Middle runs", "Last built",
                                               "Middle deleted", "Last runs",   "Last deleted"};
    EXPECT_EQ(Lives, expected);
    EXPECT_EQ(harness.Frames(), 6u);
}

TEST(SceneLoop, CloseButtonEndsTheChainAfterTheCurrentScene)
{
    Lives.clear();
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.At(3, CSceneHarness::Quit());
    harness.Run(new CChainScene("Long", 1000, MakeMiddle));
    const std::vector<std::string> expected = {"Long built", "Long runs", "Long deleted"};
    EXPECT_EQ(Lives, expected);
    EXPECT_EQ(harness.Frames(), 3u);
    EXPECT_FALSE(harness.HitFrameLimit());
}

namespace
{
struct CPeekScene : CScene
{
    CScene* Run() override
    {
        Seen = Shared && Graphics == Shared->Graphics && Audio == Shared->Audio &&
               Fonts == Shared->Fonts && Timer == &Shared->Timer;
        return nullptr;
    }
    static inline bool Seen = false;
};
} // namespace

TEST(SceneLoop, SetSharedHandsEveryEngineToTheScene)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.Run(new CPeekScene());
    EXPECT_TRUE(CPeekScene::Seen);
}
