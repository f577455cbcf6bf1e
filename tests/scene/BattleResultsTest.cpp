#include "BattleFixture.h"
#include "battle/BattleHud.h"
#include "graphics/FontManager.h"

namespace
{
// Every weapon caught: the perfect trophy, saved at once; the bar pours into the rating.
// A song without weapons rates 0 % without a trophy and saves nothing.
TEST_F(BattleTest, PerfectSongIsRatedAndSavedEvenWhenTheResultIsSkipped)
{
    const struct
    {
        const char* Song;
        float Speed;
        bool Skip;
        std::string File; // the song's highscore file afterwards: Slow, Normal, Fast
    } cases[] = {
        {"b", 2.0f, false, std::string("\x64\0\0\0\0\0\0\0\0\0\0\0", 12)},
        {"b", 1.2f, true, std::string("\x64\0\0\0\x64\0\0\0\0\0\0\0", 12)},
        {"quiet", 2.0f, false, ""},
    };
    for (const auto& c : cases)
    {
        SBattleRun run({c.Song}, 1);
        run.Harness.Shared().Speed = c.Speed;
        SDL_Color barAtStart{}, barAtEnd{};
        int answered = -1;
        bool perfect = false;
        run.Play(
            [&](SBattleProbe& battle)
            {
                // A sweep across the whole field every frame catches each weapon at its
                // lower end.
                CSceneHarness::Push(CSceneHarness::RelativeMotion(-2 * Lane::FieldRight));
                CSceneHarness::Push(CSceneHarness::RelativeMotion(2 * Lane::FieldRight));
                if (!battle.View().InResults || battle.View().ResultPhase > 1 ||
                    std::exchange(answered, battle.View().ResultPhase) == battle.View().ResultPhase)
                    return;
                const CBattleRules& rules = battle.View().Rules;
                if (battle.View().ResultPhase == 0)
                {
                    perfect = c.File.empty()
                                  ? rules.MaxScore == 0 && battle.View().Trophy == 0 &&
                                        !battle.View().NewBest
                                  : rules.MaxScore > 0 && rules.Score == rules.MaxScore &&
                                        rules.MissedCount == 0 && battle.View().Trophy == 4 &&
                                        battle.View().NewBest;
                    barAtStart = ScreenPixel(*run.Harness.Shared().Graphics, 400, 580);
                }
                else
                    barAtEnd = ScreenPixel(*run.Harness.Shared().Graphics, 400, 580);
                if (c.Skip || battle.View().ResultPhase == 1)
                    CSceneHarness::Push(CSceneHarness::Key(SDLK_ESCAPE));
            });
        EXPECT_TRUE(perfect);
        std::ifstream file(std::getenv("XDG_DATA_HOME") + std::string("/korvane/") + c.Song +
                               "-264600.hs",
                           std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
        EXPECT_EQ(bytes, c.File);
        if (!c.Skip && !c.File.empty())
        {
            EXPECT_NE(barAtStart.r + barAtStart.g * 256, barAtEnd.r + barAtEnd.g * 256)
                << "the full bar at the start, the empty one after 4 s";
        }
    }
}

// Two misses in one frame throw one rock at the last one's column; the houses drop to plain,
// and only those within 47 pixels raise their shields. A rising multiplier makes them dance.
// The village's animation steps every 125 ms while a song plays and rests otherwise.
TEST_F(BattleTest, MissesThrowOneRockAndShieldTheNearHouses)
{
    CSceneHarness harness;
    CSharedData& shared = harness.Shared();
    CBattleScenery scenery;
    scenery.Load(shared.Note1Image, shared.Note2Image);
    scenery.Lay(shared.Timer.Random, 0);
    scenery.Answer({0, 0, false}, 4, 0, shared.Timer.Random);
    EXPECT_EQ(scenery.GetHouse(7).GetLevel(), CHouse::PlainLevel);
    scenery.Answer({0, 0, true}, 4, 0, shared.Timer.Random);
    EXPECT_EQ(scenery.GetHouse(7).GetLevel(), 4);
    scenery.Answer({2, Lane::ColumnX(36), true}, 4, 0, shared.Timer.Random);
    ASSERT_EQ(scenery.GetRocks().size(), 1u);
    EXPECT_EQ(scenery.GetHouse(7).GetLevel(), CHouse::PlainLevel);
    // The miss is at x = 100: the house at 90 (centre 122) is shielded, the one at 150
    // (centre 182) is not.
    EXPECT_TRUE(scenery.GetHouse(0).IsShieldOn());
    EXPECT_FALSE(scenery.GetHouse(1).IsShieldOn());

    // The debris rises 48 pixels in the first second and falls back in the next.
    const CRock& rock = scenery.GetRocks().front();
    const int drift = rock.GetDriftX();
    const struct
    {
        uint32_t Age;
        int X, Y, Frame;
    } places[] = {
        {0, 100, 550 - 8, 0},
        {500, int(100 + drift * 0.25f), int(550 - std::pow(0.5f, 0.3f) * 48) - 8, 5},
        {1000, int(100 + drift * 0.5f), 550 - 48, 0},
        {2000, 100 + drift, 550, 2},
    };
    for (const auto& p : places)
    {
        const CRock::SPlace place = rock.PlaceAt(p.Age);
        EXPECT_EQ(place.X, p.X) << p.Age;
        EXPECT_EQ(place.Y, p.Y) << p.Age;
        EXPECT_EQ(place.Frame, p.Frame) << p.Age;
    }

    scenery.StartAnimation(0);
    for (const auto& [nowMs, playing, frame] : {std::tuple{100, true, 0},
                                                {126, true, 1},
                                                {200, true, 1},
                                                {252, true, 2},
                                                {378, true, 3},
                                                {504, true, 0},
                                                {630, false, 1},
                                                {760, true, 2},
                                                {2001, true, 3},
                                                {2100, true, 3}})
    {
        scenery.Update(nowMs, playing, shared.Timer.Random);
        EXPECT_EQ(scenery.GetAnimationFrame(), frame) << nowMs;
    }
    EXPECT_TRUE(scenery.GetRocks().empty()) << "done after 2 s";
}

// The pictures of the village, with the fading steps of a house's shield.
TEST_F(BattleTest, SceneryPicturesAreLoadedWithTheirAlphas)
{
    CSceneHarness harness;
    SSceneryPictures pictures;
    pictures.Load(harness.Shared().Note1Image, harness.Shared().Note2Image);
    for (int i = 0; i < SSceneryPictures::ShieldSteps; ++i)
    {
        SDL_Surface* shield = pictures.HouseShields[i].GetSurface();
        ASSERT_NE(shield, nullptr);
        EXPECT_TRUE(shield->flags & SDL_SRCALPHA);
        EXPECT_EQ(shield->format->alpha, 120 - 10 * i);
    }
    for (const CImage* image : {&pictures.Booms[7], &pictures.BoomBase, &pictures.Background})
        EXPECT_NE(image->GetSurface(), nullptr);
    // Freed with the scene, every one of them.
    pictures.Free();
    std::vector<const CImage*> all = {&pictures.Background, &pictures.Tree,      &pictures.House,
                                      &pictures.HouseUp,    &pictures.HouseDown, &pictures.Cloud1,
                                      &pictures.Cloud2,     &pictures.BoomBase};
    for (const CImage& image : pictures.HouseShields)
        all.push_back(&image);
    for (const CImage& image : pictures.Booms)
        all.push_back(&image);
    for (const CImage* image : all)
        EXPECT_EQ(image->GetSurface(), nullptr);
}
} // namespace

namespace
{
// The box of what is not white on the screen, as {width, height}; {0, 0} for none.
std::pair<int, int> InkBox(CGraphics& graphics)
{
    int left = CGraphics::Width, right = -1, top = CGraphics::Height, bottom = -1;
    for (int y = 0; y < CGraphics::Height; ++y)
        for (int x = 0; x < CGraphics::Width; ++x)
        {
            const SDL_Color c = ScreenPixel(graphics, x, y);
            if (c.r < 128 && c.g < 128 && c.b < 128)
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                bottom = std::max(bottom, y);
        }
    return right < 0 ? std::pair{0, 0} : std::pair{right - left + 1, bottom - top + 1};
}
} // namespace

// The title on the loading and result screens: the largest size that shows it whole, and a
// title too long for even the small size cut with "…" at the large size, never wider than 600.
TEST(BattleTitle, IsShownWholeInTheLargestSizeOrCutAtTheLargeSize)
{
    CSceneHarness harness;
    ASSERT_TRUE(harness.Ready());
    CSharedData& shared = harness.Shared();
    CGraphics& graphics = *shared.Graphics;
    CFontManager& fonts = *shared.Fonts;
    std::string longest;
    for (int i = 0; i < 30; ++i)
        longest += "Title number " + std::to_string(i) + " ";
    const auto clear = [&]
    {
        SDL_FillRect(graphics.GetScreen(), nullptr,
                     SDL_MapRGB(graphics.GetScreen()->format, 255, 255, 255));
    };
    const struct
    {
        std::string Title;
        int Size; // 0 small, 1 medium, 2 large
        bool Cut;
    } cases[] = {
        {"Hg short", 2, false},
        {std::string(40, 'H') + "g", 1, false},
        {std::string(60, 'H') + "g", 0, false},
        {longest, 2, true},
        {"Hg " + longest + "夜に駆ける", 2, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Title.substr(0, 40));
        clear();
        CBattleHud::DrawTitle(graphics, fonts, c.Title, 100, false);
        const auto drawn = InkBox(graphics);
        const int maxWidth = c.Cut ? 600 : 0;
        SDL_Surface* expected = c.Size == 0   ? fonts.RenderSmall(c.Title, true, maxWidth)
                                : c.Size == 1 ? fonts.RenderMedium(c.Title, true, maxWidth)
                                              : fonts.RenderLarge(c.Title, true, maxWidth);
        ASSERT_NE(expected, nullptr);
        clear();
        graphics.Draw(expected, int16_t(400 - expected->w / 2), 100);
        SDL_FreeSurface(expected);
        EXPECT_EQ(drawn, InkBox(graphics));
        EXPECT_LE(drawn.first, 600);
    }
    // Outlined (over the sky), a title the game font draws and one it does not are ringed
    // round the same letters, and no narrower.
    for (const std::string title : {"Hg short", "夜に駆ける"})
    {
        SCOPED_TRACE(title);
        clear();
        CBattleHud::DrawTitle(graphics, fonts, title, 100, false);
        const auto plain = InkBox(graphics);
        clear();
        CBattleHud::DrawTitle(graphics, fonts, title, 100, true);
        const auto ringed = InkBox(graphics);
        EXPECT_GE(ringed.first, plain.first);
        EXPECT_LE(ringed.first, plain.first + 8);
    }
}
