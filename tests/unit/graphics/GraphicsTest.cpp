#include "graphics/Graphics.h"
#include "app/SharedData.h"
#include "graphics/FontManager.h"
#include "graphics/Image.h"
#include "graphics/WindowScale.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/LogCapture.h"
#include "support/SceneRunner.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace
{
constexpr uint32_t Magenta = 0xFF00FF, Red = 0xFF0000, White = 0xFFFFFF, Blue = 0x0000FF;

SDL_Surface* MakeSurface(int w, int h, const std::vector<uint32_t>& rgb)
{
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int i = 0; i < w * h; ++i)
        static_cast<uint32_t*>(s->pixels)[i] = rgb[static_cast<size_t>(i) % rgb.size()];
    return s;
}

uint32_t Rgb(SDL_Color c)
{
    return static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b);
}

class GraphicsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Harness.Ready());
        Paths::OverrideProgramFolder(Folder.Path().string());
        std::filesystem::create_directories(Folder.Path() / "data");
        Fill(Blue);
    }
    void TearDown() override { Paths::OverrideProgramFolder(""); }

    // Writes a picture where CImage::Load finds it ("data/<name>" in the program folder).
    void SavePicture(const std::string& name, int w, int h, const std::vector<uint32_t>& rgb)
    {
        SDL_Surface* s = MakeSurface(w, h, rgb);
        SDL_SaveBMP(s, (Folder.Path() / "data" / name).c_str());
        SDL_FreeSurface(s);
    }
    void Fill(uint32_t rgb)
    {
        SDL_Surface* screen = Graphics().GetScreen();
        SDL_FillRect(screen, nullptr,
                     SDL_MapRGB(screen->format, rgb >> 16, rgb >> 8 & 255, rgb & 255));
    }
    CGraphics& Graphics() { return *Harness.Shared().Graphics; }
    uint32_t Pixel(int x, int y) { return Rgb(ScreenPixel(Graphics(), x, y)); }

    CSceneHarness Harness;
    CTempDir Folder;
};
} // namespace

TEST_F(GraphicsTest, ColourKeyHidesMagentaOnlyWhenAsked)
{
    SavePicture("key.bmp", 2, 1, {Magenta, Red});
    CImage keyed, plain;
    keyed.Load("data/key.bmp", true);
    plain.Load("data/key.bmp", false);
    ASSERT_NE(keyed.GetSurface(), nullptr);
    EXPECT_EQ(Graphics().Draw(keyed.GetSurface(), 10, 10), 0);
    EXPECT_EQ(Graphics().Draw(plain.GetSurface(), 10, 20), 0);
    EXPECT_EQ(Pixel(10, 10), Blue);
    EXPECT_EQ(Pixel(11, 10), Red);
    EXPECT_EQ(Pixel(10, 20), Magenta);
    keyed.Free();
    plain.Free();
}

TEST_F(GraphicsTest, SurfaceAlphaBlendsTheWholeImage)
{
    SavePicture("red.bmp", 4, 4, {Red});
    CImage image;
    image.Load("data/red.bmp", true);
    image.SetAlpha(128);
    Graphics().Draw(image.GetSurface(), 0, 0);
    const SDL_Color c = ScreenPixel(Graphics(), 1, 1);
    EXPECT_NEAR(c.r, 128, 2);
    EXPECT_EQ(c.g, 0);
    EXPECT_NEAR(c.b, 127, 2);
    image.SetAlpha(0);
    Fill(Blue);
    Graphics().Draw(image.GetSurface(), 0, 0);
    EXPECT_EQ(Pixel(1, 1), Blue);
    image.Free();
}

TEST_F(GraphicsTest, DrawingClipsAtTheScreenEdges)
{
    SavePicture("bar.bmp", 100, 2, {White});
    CImage bar;
    bar.Load("data/bar.bmp", false);
    EXPECT_EQ(Graphics().Draw(bar.GetSurface(), 750, 598), 0);
    EXPECT_EQ(Pixel(749, 598), Blue);
    EXPECT_EQ(Pixel(750, 598), White);
    EXPECT_EQ(Pixel(799, 599), White);
    EXPECT_EQ(Graphics().Draw(bar.GetSurface(), -90, 5), 0);
    EXPECT_EQ(Pixel(9, 5), White);
    EXPECT_EQ(Pixel(10, 5), Blue);
    EXPECT_EQ(Graphics().Draw(bar.GetSurface(), 900, 700), 0); // wholly off screen
    SDL_Rect part{10, 0, 20, 1};
    EXPECT_EQ(Graphics().DrawPart(bar.GetSurface(), 300, 300, part), 0);
    EXPECT_EQ(Pixel(319, 300), White);
    EXPECT_EQ(Pixel(320, 300), Blue);
    EXPECT_EQ(Pixel(300, 301), Blue); // only the rectangle's one row
    bar.Free();
}

TEST_F(GraphicsTest, MissingAndEmptyImagesDrawNothing)
{
    CLogCapture log;
    CImage missing;
    missing.Load("data/none.png", true);
    EXPECT_EQ(missing.GetSurface(), nullptr);
    EXPECT_EQ(log.Text(), "Could not load : " + (Folder.Path() / "data/none.png").string() + "\n");
    EXPECT_EQ(Graphics().Draw(missing.GetSurface(), 0, 0), -1);
    EXPECT_EQ(Pixel(0, 0), Blue);
    missing.Free(); // harmless on an empty image
}

TEST_F(GraphicsTest, LoadingAgainReplacesTheSurface)
{
    SavePicture("a.bmp", 3, 3, {Red});
    SavePicture("b.bmp", 5, 2, {White});
    CImage image;
    image.Load("data/a.bmp", true);
    image.Load("data/b.bmp", true); // frees the first: the leak checker would see it otherwise
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_EQ(image.GetHeight(), 2);
    image.Free();
}

TEST_F(GraphicsTest, TextIsBlackOnTransparentAndGrowsWithTheSize)
{
    CFontManager& fonts = *Harness.Shared().Fonts;
    SDL_Surface* small = fonts.RenderSmall("PLAY", true);
    SDL_Surface* medium = fonts.RenderMedium("PLAY", true);
    SDL_Surface* large = fonts.RenderLarge("PLAY", true);
    SDL_Surface* white = fonts.RenderLarge("PLAY", false);
    ASSERT_TRUE(small && medium && large && white);
    EXPECT_LT(small->h, medium->h);
    EXPECT_LT(medium->h, large->h);

    int opaque = 0, clear = 0;
    SDL_LockSurface(large);
    for (int y = 0; y < large->h; ++y)
        for (int x = 0; x < large->w; ++x)
        {
            const uint32_t p = static_cast<uint32_t*>(large->pixels)[y * large->pitch / 4 + x];
            uint8_t r, g, b, a;
            SDL_GetRGBA(p, large->format, &r, &g, &b, &a);
            EXPECT_EQ(r | g | b, 0) << "glyph pixels are black";
            opaque += a == 255;
            clear += a == 0;
        }
    SDL_UnlockSurface(large);
    EXPECT_GT(opaque, 20);
    EXPECT_GT(clear, opaque);

    SDL_LockSurface(white);
    uint8_t r, g, b, a, maxR = 0;
    for (int i = 0; i < white->w * white->h; ++i)
    {
        SDL_GetRGBA(static_cast<uint32_t*>(white->pixels)[i], white->format, &r, &g, &b, &a);
        maxR = std::max(maxR, r);
    }
    SDL_UnlockSurface(white);
    EXPECT_EQ(maxR, 255);
    for (SDL_Surface* s : {small, medium, large, white})
        SDL_FreeSurface(s);
}

// The window is drawn at the largest scale that fits in about 85 % of the desktop, kept from
// then on; Ctrl+Plus and Ctrl+Minus step through the scales and stop at either end.
TEST(WindowScale, ChosenForTheDesktopOnceThenStepped)
{
    const struct
    {
        int Width, Height;
        float Scale;
    } desktops[] = {{800, 600, 1.0f},   {1366, 768, 1.0f},  {1920, 1080, 1.5f},
                    {1920, 1200, 1.5f}, {2560, 1440, 2.0f}, {3200, 1800, 2.5f},
                    {3840, 2160, 3.0f}, {7680, 4320, 3.0f}, {2000, 600, 1.0f}};
    for (const auto& d : desktops)
        EXPECT_EQ(WindowScale::ForDesktop(d.Width, d.Height), d.Scale)
            << d.Width << "x" << d.Height;

    CTempHome home;
    EXPECT_EQ(WindowScale::Load(2560, 1440), 2.0f);
    EXPECT_EQ(WindowScale::Load(1366, 768), 2.0f) << "kept from the first start";
    EXPECT_EQ(WindowScale::Next(2.0f, 1), 2.5f);
    EXPECT_EQ(WindowScale::Next(3.0f, 1), 3.0f);
    EXPECT_EQ(WindowScale::Next(1.0f, -1), 1.0f);
    EXPECT_EQ(WindowScale::Next(1.5f, -1), 1.0f);
    WindowScale::Store(3.0f);
    EXPECT_EQ(WindowScale::Load(1366, 768), 3.0f);
    Settings::WriteText(Settings::Key::WindowScale, "7");
    EXPECT_EQ(WindowScale::Load(1920, 1080), 1.5f) << "a value that is no step";
}

// The window with its frame never grows past the usable area (the desktop without panels),
// and a window is moved as little as it takes to lie wholly on it.
TEST(WindowScale, FitsTheUsableAreaFrameIncludedAndIsPlacedOnIt)
{
    using WindowScale::SArea;
    const WindowScale::SFrame openbox{1, 1, 22, 1}, none{};
    const struct
    {
        SArea Usable;
        WindowScale::SFrame Frame;
        float Wanted, Drawn;
    } fits[] = {
        {{0, 0, 1366, 768}, openbox, 3.0f, 1.0f},
        {{0, 0, 1366, 768}, openbox, 1.0f, 1.0f},
        {{0, 0, 1920, 1080}, openbox, 3.0f, 1.5f},
        {{0, 0, 1920, 923}, openbox, 3.0f, 1.5f}, // 900 + 22 + 1, to the pixel
        {{0, 0, 1920, 922}, openbox, 3.0f, 1.0f},
        {{0, 0, 1202, 1080}, openbox, 3.0f, 1.5f},
        {{0, 0, 1201, 1080}, openbox, 3.0f, 1.0f},
        {{0, 30, 1920, 1050}, openbox, 2.0f, 1.5f}, // a panel at the top
        {{0, 0, 2560, 1440}, openbox, 3.0f, 2.0f},
        {{0, 0, 2560, 1440}, openbox, 1.5f, 1.5f},
        {{0, 0, 3840, 2160}, openbox, 3.0f, 3.0f},
        {{0, 0, 1600, 1200}, none, 3.0f, 2.0f},
        {{0, 0, 1024, 600}, openbox, 2.0f, 1.0f}, // nothing fits: the smallest
    };
    for (const auto& f : fits)
        EXPECT_EQ(WindowScale::Fitting(f.Wanted, f.Usable, f.Frame), f.Drawn)
            << f.Usable.Width << "x" << f.Usable.Height << " " << f.Wanted;
    EXPECT_TRUE(WindowScale::Fits(1.5f, {0, 0, 1202, 923}, openbox));
    EXPECT_FALSE(WindowScale::Fits(1.5f, {0, 0, 1202, 922}, openbox));

    const struct
    {
        SArea Window, Usable, Placed;
    } places[] = {
        {{100, 100, 802, 623}, {0, 0, 1366, 768}, {100, 100, 802, 623}},
        {{-515, -472, 2402, 1823}, {0, 0, 1366, 768}, {0, 0, 2402, 1823}},
        {{1500, 700, 1202, 923}, {0, 0, 1920, 1080}, {718, 157, 1202, 923}},
        {{-10, 500, 802, 623}, {0, 0, 1366, 768}, {0, 145, 802, 623}},
        {{10, 5, 802, 623}, {0, 30, 1366, 738}, {10, 30, 802, 623}},
        {{1400, 10, 802, 623}, {1366, 0, 1920, 1080}, {1400, 10, 802, 623}},
        {{900, 10, 802, 623}, {1366, 0, 1920, 1080}, {1366, 10, 802, 623}},
    };
    for (const auto& p : places)
        EXPECT_EQ(WindowScale::Placed(p.Window, p.Usable), p.Placed)
            << p.Window.X << "," << p.Window.Y;
}

// Without a screen (the video closed) a picture cannot take the screen's format: no image, a
// log line, and nothing touched.
TEST(Image, WithoutAScreenAPictureIsNotLoadedAndSaysSo)
{
    CTempDir folder;
    std::filesystem::create_directories(folder.Path() / "data");
    SDL_Surface* picture = MakeSurface(4, 4, {Magenta, Red});
    ASSERT_EQ(SDL_SaveBMP(picture, (folder.Path() / "data" / "p.bmp").c_str()), 0);
    SDL_FreeSurface(picture);
    Paths::OverrideProgramFolder(folder.Path().string());
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    CLogCapture log;
    CImage image;
    image.Load("data/p.bmp", true);
    EXPECT_EQ(image.GetSurface(), nullptr);
    EXPECT_EQ(log.Text(), "Could not load : " + (folder.Path() / "data" / "p.bmp").string() + "\n");
    Paths::OverrideProgramFolder("");
}
