#include "graphics/TextRuns.h"

#include <gtest/gtest.h>

namespace
{
// Font 1 has Greek, the blank and the acute accent, font 2 Hebrew; the game font (0) the rest.
int Pick(char32_t c, int wanted)
{
    auto has = [c](int font)
    {
        return font == 1   ? (c >= 0x370 && c <= 0x3FF) || c == 0x301 || c == ' '
               : font == 2 ? c >= 0x590 && c <= 0x5FF
                           : c < 0x370 || c == 0xFFFF;
    };
    if (has(wanted))
        return wanted;
    return has(0) ? 0 : has(1) ? 1 : 2;
}
} // namespace

TEST(TextRunsTest, EachRunHasOneFontAndRightToLeftStretchesAreTurnedAround)
{
    struct SCase
    {
        std::u32string Line;
        std::vector<STextRun> Runs;
    };
    const std::vector<SCase> cases = {
        {U"Song 1", {{0, U"Song 1"}}},
        {U"Song αβ γ", {{0, U"Song "}, {1, U"αβ γ"}}},
        {U"ά\u0301e\u0301", {{1, U"ά\u0301"}, {0, U"e\u0301"}}}, // marks stay with their base
        {U"שלום עולם", {{2, U"םלוע"}, {0, U" "}, {2, U"םולש"}}},
        // numbers keep their order; brackets inside a turned stretch are mirrored
        {U"Track שיר 12.5 (א) end",
         {{0, U"Track "}, {2, U"א"}, {0, U") 12.5 "}, {2, U"ריש"}, {0, U") end"}}},
        {U"12 שיר", {{0, U"12 "}, {2, U"ריש"}}},
        {U"", {}},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(VisualRuns(c.Line, Pick), c.Runs) << std::string(c.Line.begin(), c.Line.end());
}

TEST(TextRunsTest, DisplayTextKeepsWhatCanBeDrawnAndFitsWithAnEllipsis)
{
    // Emoji and U+FFFE become the box, joiners and variation selectors go, bad bytes are U+FFFD.
    EXPECT_EQ(DecodeForDisplay("a\xF0\x9F\x8E\xB5\xE2\x80\x8D\xEF\xB8\x8F\xEF\xBF\xBE\xFF\xCE\xB1"),
              U"a\uFFFF\uFFFF\uFFFDα");
    // Arabic letters take their joined shapes: beh initial, lam-alef final, hamza alone.
    EXPECT_EQ(DecodeForDisplay("بلا ء"), U"\uFE91\uFEFC \u0621");
    const FLineWidth count = [](const std::u32string& line) { return int(line.size()); };
    EXPECT_EQ(FitWidth(U"abcdef", 6, count), U"abcdef");
    EXPECT_EQ(FitWidth(U"abcdef", 5, count), U"abcd…");
    EXPECT_EQ(FitWidth(U"ab  cdef", 5, count), U"ab…");       // no blank before the cut
    EXPECT_EQ(FitWidth(U"ae\u0301\u0301f", 3, count), U"a…"); // a mark never loses its base
    EXPECT_EQ(FitWidth(U"abc", 0, count), U"…");
}
