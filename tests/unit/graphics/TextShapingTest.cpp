#include "app/SharedData.h"
#include "graphics/FontManager.h"
#include "graphics/TextDecode.h"
#include "graphics/TextRing.h"
#include "graphics/TextShaper.h"
#include "platform/AppPath.h"
#include "support/LogCapture.h"
#include "support/SceneRunner.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace
{
// Whether any font installed on this machine has the character (fontconfig's own answer).
bool Installed(FcConfig* config, char32_t c)
{
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* set = FcCharSetCreate();
    FcCharSetAddChar(set, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, set);
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* fonts = FcFontList(config, pattern, objects);
    const bool found = fonts && fonts->nfont > 0;
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcCharSetDestroy(set);
    FcPatternDestroy(pattern);
    return found;
}

uint32_t Pixel(const SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) +
                                             y * s->pitch)[x];
}

uint8_t Alpha(const SDL_Surface* s, int x, int y)
{
    return uint8_t(Pixel(s, x, y) >> 24);
}

// Whether two text surfaces hold the same pixels (both are freed).
bool SamePixels(SDL_Surface* a, SDL_Surface* b)
{
    bool same = a && b && a->w == b->w && a->h == b->h;
    for (int y = 0; same && y < a->h; ++y)
        for (int x = 0; same && x < a->w; ++x)
            same = Pixel(a, x, y) == Pixel(b, x, y);
    SDL_FreeSurface(a);
    SDL_FreeSurface(b);
    return same;
}

// The first and last rows with ink between columns [from, to).
std::pair<int, int> InkRows(const SDL_Surface* s, int from, int to)
{
    int top = s->h, bottom = -1;
    for (int y = 0; y < s->h; ++y)
        for (int x = std::max(0, from); x < std::min(to, s->w); ++x)
            if (Alpha(s, x, y) >= 128)
                top = std::min(top, y), bottom = std::max(bottom, y);
    return {top, bottom};
}

// The logical text of each run, left to right on screen.
std::vector<std::u32string> Order(const SShapedLine& line, const std::u32string& text)
{
    std::vector<std::u32string> order;
    for (const SShapedRun& run : line.Runs)
        order.push_back(text.substr(run.Run.Start, run.Run.End - run.Run.Start));
    return order;
}

// The glyph drawn for the character at `index` of the line.
const SShapedGlyph* GlyphAt(const SShapedRun& run, size_t index)
{
    for (const SShapedGlyph& glyph : run.Glyphs)
        if (glyph.Cluster == index)
            return &glyph;
    return nullptr;
}

class TextShapingTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Harness.Ready()); }
    CFontManager& Fonts() { return *Harness.Shared().Fonts; }
    CSceneHarness Harness;
};
} // namespace

// What each row checks beyond the common checks: its runs' logical text left to right on
// screen, and what HarfBuzz must have made of it.
struct SRow
{
    const char* Text;
    std::vector<std::u32string> Order;
    std::function<void(CFontManager&, const SShapedLine&, const std::u32string&)> Glyphs;
};

TEST_F(TextShapingTest, EachScriptIsOrderedShapedAndDrawnByAFontThatHasIt)
{
    auto nominal = [](const SShapedRun& run, char32_t c) { return run.Face->GlyphOf(c); };
    const std::vector<SRow> rows = {
        {"Latin", {U"Latin"}, nullptr},
        // Accents given apart from their letters (a name copied from a Mac) are composed: the
        // game font draws the line as it draws the composed one.
        {"Cafe\u0301 Ame\u0301lie n\u0303",
         {U"Café Amélie ñ"},
         [](CFontManager& fonts, const SShapedLine&, const std::u32string&)
         {
             EXPECT_TRUE(fonts.DrawnByGameFont("Cafe\u0301 Ame\u0301lie n\u0303"));
             EXPECT_TRUE(SamePixels(fonts.RenderLarge("Cafe\u0301 Ame\u0301lie n\u0303", true),
                                    fonts.RenderLarge("Café Amélie ñ", true)));
         }},
        // A mark without a composed form stays on its letter, in the game font, shaped: it adds
        // no width and is drawn within its letter.
        {"Bjo\u0308rk q\u0303",
         {U"Björk ", U"q\u0303"},
         [](CFontManager& fonts, const SShapedLine& line, const std::u32string&)
         {
             const SShapedRun& marked = line.Runs[1];
             EXPECT_EQ(marked.Run.Font, ShapedGameFont);
             ASSERT_EQ(marked.Glyphs.size(), 2u);
             const int q = fonts.LayOut("q", 24).Advance;
             EXPECT_NEAR(marked.Advance, q, 64);
             // The middle of the tilde's ink over the ink of its letter.
             const SGlyphInk base = marked.Face->Ink(marked.Glyphs[0].Id);
             const SGlyphInk mark = marked.Face->Ink(marked.Glyphs[1].Id);
             const double middle = marked.Glyphs[1].X / 64.0 + mark.Left + mark.Width / 2.0;
             EXPECT_GT(middle, marked.Glyphs[0].X / 64.0 + base.Left);
             EXPECT_LT(middle, marked.Glyphs[0].X / 64.0 + base.Left + base.Width);
         }},
        // A mark the game font lacks takes its letter to the font that draws both.
        {"x\u0331y",
         {U"x\u0331", U"y"},
         [](CFontManager&, const SShapedLine& line, const std::u32string&)
         {
             ASSERT_NE(line.Runs[0].Face, nullptr);
             EXPECT_EQ(line.Runs[0].Glyphs.size(), 2u);
         }},
        // A line break, a tab or any control character in a tag is a blank, not a box.
        {"Tab\there\nand\x01now",
         {U"Tab here and now"},
         [](CFontManager& fonts, const SShapedLine&, const std::u32string&)
         {
             EXPECT_TRUE(SamePixels(fonts.RenderLarge("Tab\there\nand\x01now", true),
                                    fonts.RenderLarge("Tab here and now", true)));
         }},
        {"Ωδή στη Θάλασσα", {U"Ωδή στη Θάλασσα"}, nullptr},
        {"Звезда по имени", {U"Звезда по имени"}, nullptr},
        // Right to left: the number keeps its order, the Hebrew glyphs come last letter first.
        {"שיר השירים 12",
         {U"12", U"שיר השירים "},
         [](CFontManager&, const SShapedLine& line, const std::u32string&)
         {
             const SShapedRun& hebrew = line.Runs[1];
             EXPECT_TRUE(hebrew.Run.RightToLeft);
             EXPECT_GT(hebrew.Glyphs.front().Cluster, hebrew.Glyphs.back().Cluster);
         }},
        // Latin inside Arabic; the Arabic letters take their joined forms.
        {"أغنية Live الصباح",
         {U"الصباح", U" ", U"Live", U"أغنية "},
         [&](CFontManager&, const SShapedLine& line, const std::u32string& text)
         {
             const SShapedRun& arabic = line.Runs[0];
             const size_t sad = text.find(U'ص');
             ASSERT_NE(GlyphAt(arabic, sad), nullptr);
             EXPECT_NE(GlyphAt(arabic, sad)->Id, nominal(arabic, U'ص')); // its medial form
         }},
        // The vowel sign i is drawn before the consonant it follows; न् and द make a conjunct.
        {"हिन्दी",
         {U"हिन्दी"},
         [&](CFontManager&, const SShapedLine& line, const std::u32string& text)
         {
             const SShapedRun& run = line.Runs[0];
             ASSERT_GE(run.Glyphs.size(), 2u);
             EXPECT_NE(run.Glyphs[0].Id, nominal(run, U'ह'));
             EXPECT_EQ(run.Glyphs[1].Id, nominal(run, U'ह'));
             EXPECT_LT(run.Glyphs.size(), text.size());
         }},
        // Thai marks stack on their consonant: they add no width.
        {"ที่",
         {U"ที่"},
         [&](CFontManager& fonts, const SShapedLine& line, const std::u32string&)
         { EXPECT_EQ(line.Advance, fonts.LayOut("ท", 24).Advance); }},
        {"上を向いて歩こう", {U"上", U"を", U"向", U"いて", U"歩", U"こう"}, nullptr},
        {"아리랑 변주곡", {U"아리랑 변주곡"}, nullptr},
        // Emoji in colour (even one a plain font has too), a skin tone joined to its hand; the
        // colour font's wide blank is not used.
        {"Fire 😀👍🏽 x",
         {U"Fire ", U"😀👍🏽", U" x"},
         [](CFontManager& fonts, const SShapedLine& line, const std::u32string&)
         {
             const SShapedRun& emoji = line.Runs[1];
             ASSERT_NE(emoji.Face, nullptr);
             EXPECT_TRUE(emoji.Face->IsColour());
             EXPECT_EQ(emoji.Glyphs.size(), 2u);
             SDL_Surface* drawn = fonts.RenderLarge("Fire 😀👍🏽 x", true);
             ASSERT_NE(drawn, nullptr);
             int coloured = 0;
             for (int y = 0; y < drawn->h; ++y)
                 for (int x = 0; x < drawn->w; ++x)
                     coloured += (Pixel(drawn, x, y) & 0xFFFFFF) != 0 && Alpha(drawn, x, y) > 128;
             EXPECT_GT(coloured, 100);
             // Its bitmap strike (over 100 px) scaled to the line: no taller than twice it.
             SDL_Surface* plain = fonts.RenderLarge("Fire x", true);
             ASSERT_NE(plain, nullptr);
             EXPECT_LT(drawn->h, 2 * plain->h);
             SDL_FreeSurface(plain);
             SDL_FreeSurface(drawn);
         }},
        // A character no font has is a box from the top of the line down to the baseline.
        {"x\u0378",
         {U"x", U"\u0378"},
         [](CFontManager& fonts, const SShapedLine& line, const std::u32string&)
         {
             EXPECT_EQ(line.Runs[1].Run.Font, MissingFont);
             SDL_Surface* drawn = fonts.RenderLarge("x\u0378", true);
             ASSERT_NE(drawn, nullptr);
             const int split = (line.Runs[0].Advance + 32) >> 6;
             EXPECT_EQ(InkRows(drawn, split, drawn->w),
                       std::make_pair(0, InkRows(drawn, 0, split).second));
             SDL_FreeSurface(drawn);
         }},
    };
    FcConfig* config = FcInitLoadConfigAndFonts();
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.Text);
        const std::u32string text = NormalText(row.Text);
        const SShapedLine line = Fonts().LayOut(row.Text, 24);
        EXPECT_EQ(Order(line, text), row.Order);
        for (const SShapedRun& run : line.Runs)
        {
            // No box for a character some installed font has; no glyph left undefined.
            for (size_t i = run.Run.Start; i < run.Run.End; ++i)
                EXPECT_FALSE(run.Run.Font == MissingFont && Installed(config, text[i])) << i;
            for (const SShapedGlyph& glyph : run.Glyphs)
                EXPECT_TRUE(run.Run.Font == MissingFont || glyph.Id != 0) << glyph.Cluster;
            EXPECT_EQ(run.Face == nullptr, run.Run.Font <= 0);
        }
        if (row.Glyphs && !HasFailure())
            row.Glyphs(Fonts(), line, text);
    }
    FcConfigDestroy(config);
}

TEST_F(TextShapingTest, FallbackRowsMatchTheGameFontsSizeOnItsBaseline)
{
    struct SCase
    {
        const char* Text; // the game font's "x", then the fallback's letter
        bool XHeight;     // the letter's top is the x-height too
        double Ideograph; // else the letter's height in ems, or 0 for none
    };
    const SCase cases[] = {{"xο", true, 0},  {"xо", true, 0},      {"xх", true, 0},
                           {"xה", true, 0},  {"xท", true, 0},      {"xا", false, 0},
                           {"xम", false, 0}, {"x国", false, 0.88}, {"x한", false, 0.88}};
    for (const SCase& c : cases)
        for (int points : {12, 18, 24})
        {
            SCOPED_TRACE(std::string(c.Text) + " at " + std::to_string(points));
            SDL_Surface* line = points == 12   ? Fonts().RenderSmall(c.Text, true)
                                : points == 18 ? Fonts().RenderMedium(c.Text, true)
                                               : Fonts().RenderLarge(c.Text, true);
            ASSERT_NE(line, nullptr);
            const int split = (Fonts().LayOut(c.Text, points).Runs.front().Advance + 32) >> 6;
            const auto [xTop, xBottom] = InkRows(line, 0, split);
            const auto [top, bottom] = InkRows(line, split, line->w);
            if (c.Ideograph > 0)
            {
                // Within the pixel its edges may snap to at either end.
                EXPECT_NEAR(bottom - top + 1, c.Ideograph * points, 1.5);
            }
            else
            {
                EXPECT_NEAR(bottom, xBottom, 1); // on the baseline
            }
            if (c.XHeight)
            {
                EXPECT_NEAR(top, xTop, 1);
            }
            SDL_FreeSurface(line);
        }
}

// How thick the strokes of a line are, in pixels: the typical width of ink across them along
// rows and columns, each run of ink counted by its coverage, so a half-covered pixel is half.
double StrokeWidth(SDL_Surface* line)
{
    std::vector<double> runs;
    const auto scan = [&](int lines, int length, auto alphaAt)
    {
        for (int a = 0; a < lines; ++a)
        {
            double run = 0;
            for (int b = 0; b <= length; ++b)
            {
                const int alpha = b < length ? alphaAt(a, b) : 0;
                if (alpha > 0)
                    run += alpha / 255.0;
                else if (run > 0)
                    runs.push_back(run), run = 0;
            }
        }
    };
    scan(line->h, line->w, [&](int y, int x) { return int(Alpha(line, x, y)); });
    scan(line->w, line->h, [&](int x, int y) { return int(Alpha(line, x, y)); });
    if (runs.empty())
        return 0;
    std::nth_element(runs.begin(), runs.begin() + long(runs.size() / 2), runs.end());
    return runs[runs.size() / 2];
}

// Every script drawn with a fallback font is as heavy as the game font, whatever weights the
// desktop's fonts of it come in (Korean and Chinese in regular faces only, Greek and Arabic in
// bold faces heavier than the game font). Measured at 24 points, where a stroke is a few pixels.
TEST_F(TextShapingTest, FallbackScriptsMatchTheGameFontsWeight)
{
    const char* const scripts[] = {"ημνοπ", "пмнио", "מנוהל",    "سمنهل",    "मनहल",
                                   "মনহল",  "มนหล",  "国中日田", "いこなの", "한국이름"};
    SDL_Surface* game = Fonts().RenderLarge("nmhuol", true);
    const double gameStroke = StrokeWidth(game);
    SDL_FreeSurface(game);
    for (const char* text : scripts)
    {
        SCOPED_TRACE(text);
        SDL_Surface* line = Fonts().RenderLarge(text, true);
        ASSERT_NE(line, nullptr);
        EXPECT_NEAR(StrokeWidth(line) / gameStroke, 1.0, 0.15) << gameStroke;
        SDL_FreeSurface(line);
    }
    // Scripts without letters to measure (Sinhala, Oriya, Myanmar, Tibetan): a face lighter
    // than the game font is thickened as a bold face is, never left thinner.
    for (const char* text : {"මනහල", "ମନହଲ", "မနဟလ", "ལམན"})
    {
        SCOPED_TRACE(text);
        SDL_Surface* line = Fonts().RenderLarge(text, true);
        ASSERT_NE(line, nullptr);
        const double ratio = StrokeWidth(line) / gameStroke;
        EXPECT_GE(ratio, 0.95);
        EXPECT_LE(ratio, 1.6);
        SDL_FreeSurface(line);
    }
}

TEST_F(TextShapingTest, TheRingAroundALongTitleLeavesSmallGlyphsOpen)
{
    SDL_Surface* title = Fonts().RenderSmall(
        "上を向いて歩こう 夜に駆ける 月亮代表我的心 甜蜜蜜 · 邓丽君 上を向いて歩こう", true, 600);
    SDL_Surface* ring = OutsideRing(title, SDL_Color{0, 0, 0, 0});
    ASSERT_TRUE(title && ring);
    ASSERT_EQ(ring->w, title->w + 2);
    // Gaps of a pixel or two between strokes stay open; the ring still caps the strokes.
    int gaps = 0, filled = 0, columns = 0, capped = 0;
    for (int x = 2; x + 2 < title->w; ++x)
    {
        const int top = InkRows(title, x, x + 1).first;
        columns += top < title->h;
        capped += top < title->h && Alpha(ring, x + 1, top) >= 96; // the pixel above it
        for (int y = 0; y < title->h; ++y)
        {
            const auto ink = [&](int u) { return Alpha(title, u, y) >= 96; };
            if (!ink(x) && (ink(x - 1) || ink(x - 2)) && (ink(x + 1) || ink(x + 2)))
                ++gaps, filled += Alpha(ring, x + 1, y + 1) >= 96;
        }
    }
    EXPECT_GT(gaps, 100);
    EXPECT_EQ(filled, 0);
    EXPECT_GT(capped, columns / 2);
    SDL_FreeSurface(ring);
    SDL_FreeSurface(title);
}

TEST_F(TextShapingTest, GameFontLinesAreSdlTtfsOwnAndNoTextBreaksTheRenderer)
{
    // A line the game font draws alone is SDL_ttf's rendering of its visible characters.
    TTF_Font* font = TTF_OpenFont(BuildAppPath("data/Komikax.ttf").c_str(), 24);
    ASSERT_NE(font, nullptr);
    const std::string latin = "Caf\xC3\xA9\xC2\xADteria (Live) \xE2\x80\x9C"
                              "100%\xE2\x80\x9D";
    EXPECT_TRUE(Fonts().DrawnByGameFont(latin));
    EXPECT_FALSE(Fonts().DrawnByGameFont("Track 夜"));
    EXPECT_FALSE(Fonts().DrawnByGameFont("\xF0\x90\x81\x81")); // U+10041 is not "A"
    SDL_Surface* ours = Fonts().RenderLarge(latin, true);
    SDL_Surface* theirs = TTF_RenderUTF8_Blended(font,
                                                 "Caf\xC3\xA9teria (Live) \xE2\x80\x9C"
                                                 "100%\xE2\x80\x9D",
                                                 {0, 0, 0, 0});
    ASSERT_TRUE(ours && theirs);
    ASSERT_EQ(std::make_pair(ours->w, ours->h), std::make_pair(theirs->w, theirs->h));
    for (int y = 0; y < ours->h; ++y)
        for (int x = 0; x < ours->w; ++x)
            ASSERT_EQ(Pixel(ours, x, y), Pixel(theirs, x, y)) << x << "," << y;
    SDL_FreeSurface(ours);
    SDL_FreeSurface(theirs);
    TTF_CloseFont(font);

    // What a player's tags can hold: bad bytes, lone surrogates, NULs, marks by the thousand,
    // controls of direction, lines far wider than the screen.
    std::string marks = "a", wide;
    for (int i = 0; i < 3000; ++i)
        marks += "\xCC\x81";
    for (int i = 0; i < 2000; ++i)
        wide += "夜に駆ける ";
    const std::string hostile[] = {std::string("a\0b\xFF\xC0\x80", 6),
                                   "\xED\xA0\x80\xED\xBF\xBF",
                                   marks,
                                   "\xE2\x80\xAE"
                                   "abc\xE2\x80\xAC",
                                   "\xEF\xBF\xBE\xEF\xBF\xBF",
                                   wide};
    CLogCapture log;
    for (const std::string& text : hostile)
        for (int maxWidth : {0, 200})
        {
            SDL_Surface* drawn = Fonts().RenderSmall(text, false, maxWidth);
            EXPECT_LE(drawn ? drawn->w : 0, 16000);
            SDL_FreeSurface(drawn);
        }
    EXPECT_NE(log.Text().find("is cut at 16000"), std::string::npos);
}
