#include "app/SharedData.h"
#include "graphics/CheckedBox.h"
#include "graphics/Graphics.h"
#include "graphics/Label.h"
#include "graphics/MenuItem.h"
#include "graphics/PushButton.h"
#include "support/SceneRunner.h"

#include <gtest/gtest.h>

class WidgetTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Harness.Ready()); }
    CSharedData* Shared() { return &Harness.Shared(); }
    CSceneHarness Harness;
};

TEST_F(WidgetTest, CentredTextStoresItsLeftEdgeByIntegerHalving)
{
    CMenuItem item;
    item.Create(*Shared()->Fonts, "OPTIONS", 500, 434, true);
    const int w = item.GetImage().GetWidth();
    ASSERT_GT(w, 0);
    EXPECT_EQ(item.GetX(), 500 - w / 2);
    EXPECT_EQ(item.GetY(), 434);
    EXPECT_FALSE(item.IsHighlighted());

    CLabel label;
    label.Create(*Shared()->Fonts, "Select a file to play", 630, 580, false, 0);
    EXPECT_EQ(label.GetX(), 630);
    CLabel centred;
    centred.Create(*Shared()->Fonts, "Credits", 400, 50, true, 2);
    EXPECT_EQ(centred.GetX(), 400 - centred.GetImage().GetWidth() / 2);
}

TEST_F(WidgetTest, HitRectanglesIncludeTopLeftAndExcludeRightAndBottom)
{
    CMenuItem item;
    item.Create(*Shared()->Fonts, "QUIT", 500, 518, true);
    const int x = item.GetX(), y = item.GetY();
    const int w = item.GetImage().GetWidth(), h = item.GetImage().GetHeight();
    struct Case
    {
        int mx, my;
        bool hit;
    };
    for (const Case& c : {Case{x, y, true}, Case{x + w - 1, y + h - 1, true}, Case{x + w, y, false},
                          Case{x, y + h, false}, Case{x - 1, y, false}, Case{x, y - 1, false}})
        EXPECT_EQ(item.HitTest(c.mx, c.my), c.hit) << c.mx << "," << c.my;
}

TEST_F(WidgetTest, CheckBoxIsHitFromTheBoxWithTheLabelsSize)
{
    CCheckedBox box;
    box.Create(*Shared()->Fonts, "Continuous play mode", 100, 300);
    const int w = box.GetLabelImage().GetWidth(), h = box.GetLabelImage().GetHeight();
    ASSERT_GT(w, 40);
    EXPECT_TRUE(box.HitTest(100, 300));
    EXPECT_TRUE(box.HitTest(100 + w - 1, 300 + h - 1));
    EXPECT_FALSE(box.HitTest(100 + w, 300));
    // The label is drawn from x = 140, so its last 40 pixels lie outside the hit rectangle.
    EXPECT_FALSE(box.HitTest(140 + w - 1, 300));
    EXPECT_FALSE(box.HitTest(99, 300));
}

TEST_F(WidgetTest, MarkerIsDrawnLeftOfAHighlightedItemOnly)
{
    CGraphics& graphics = *Shared()->Graphics;
    SDL_Surface* marker = Shared()->MenuSelectImage.GetSurface();
    ASSERT_NE(marker, nullptr) << "data/menuselect0.png must exist";
    CMenuItem item;
    item.Create(*Shared()->Fonts, "Main Menu", 600, 550, false);
    auto markerAreaChanged = [&]()
    {
        SDL_FillRect(graphics.GetScreen(), nullptr,
                     SDL_MapRGB(graphics.GetScreen()->format, 0, 0, 255));
        item.Draw(graphics, Shared()->MenuSelectImage);
        for (int yy = 0; yy < marker->h; ++yy)
            for (int xx = 0; xx < marker->w; ++xx)
            {
                const SDL_Color c = ScreenPixel(graphics, 551 + xx, 554 + yy);
                if (c.r != 0 || c.g != 0 || c.b != 255)
                    return true;
            }
        return false;
    };
    EXPECT_FALSE(markerAreaChanged());
    item.SetHighlighted(true);
    EXPECT_TRUE(markerAreaChanged());
}

TEST_F(WidgetTest, PushButtonHitsItsPicture)
{
    CPushButton button;
    CLogCapture log;
    button.Create("data/forward.png", 680, 445);
    const int w = button.GetImage().GetWidth(), h = button.GetImage().GetHeight();
    ASSERT_GT(w, 0) << "data/forward.png must load";
    EXPECT_TRUE(button.HitTest(680, 445));
    EXPECT_TRUE(button.HitTest(680 + w - 1, 445 + h - 1));
    EXPECT_FALSE(button.HitTest(680 + w, 445));
    EXPECT_FALSE(button.HitTest(680, 445 + h));
}
