#include "app/Scene.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "platform/Log.h"
#include "support/SceneRunner.h"

#include <gtest/gtest.h>

namespace
{
// A scene that writes its life into the log, runs a few frames and hands over to the next.
class CProbeScene : public CScene
{
public:
    CProbeScene(const std::string& name, int frames, CScene* (*next)()) : Frames(frames), Next(next)
    {
        SetName(name);
        Log("%s built\n", name.c_str());
    }
    ~CProbeScene() override { Log("%s deleted\n", GetName().c_str()); }

    CScene* Run() override
    {
        for (int frame = 0; frame < Frames; ++frame)
        {
            SDL_Event event;
            while (SDL_PollEvent(&event))
                if (event.type == SDL_QUIT)
                    return nullptr;
            Graphics->Flip();
        }
        return Next ? Next() : nullptr;
    }

private:
    int Frames;
    CScene* (*Next)();
};

CScene* MakeLast()
{
    return new CProbeScene("Last", 2, nullptr);
}
CScene* MakeMiddle()
{
    return new CProbeScene("Middle", 2, MakeLast);
}
} // namespace

TEST(SceneLoop, RunsScenesInOrderAndDeletesEachBeforeTheNextStarts)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.Run(new CProbeScene("First", 2, MakeMiddle));
    EXPECT_EQ(harness.LogText(), "First built\n"
                                 "Scene First starting\n"
                                 "Middle built\n"
                                 "Scene First ending\n"
                                 "First deleted\n"
                                 "Scene Middle starting\n"
                                 "Last built\n"
                                 "Scene Middle ending\n"
                                 "Middle deleted\n"
                                 "Scene Last starting\n"
                                 "Scene Last ending\n"
                                 "Last deleted\n");
    EXPECT_EQ(harness.Frames(), 6u);
}

TEST(SceneLoop, CloseButtonEndsTheChainAfterTheCurrentScene)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    harness.At(3, CSceneHarness::Quit());
    harness.Run(new CProbeScene("Long", 1000, MakeMiddle));
    EXPECT_EQ(harness.LogText(),
              "Long built\nScene Long starting\nScene Long ending\nLong deleted\n");
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
