#include "graphics/TextRuns.h"
#include "graphics/TextDecode.h"

#include <gtest/gtest.h>

namespace
{
// Font 1 has Greek, the blank and the acute accent, font 2 Hebrew and Arabic; the game font
// (0) the rest.
int Pick(const std::u32string& line, size_t start, size_t end, int wanted)
{
    auto has = [&](int font)
    {
        for (size_t i = start; i < end; ++i)
        {
            const char32_t c = line[i];
            const bool in = font == 1   ? (c >= 0x370 && c <= 0x3FF) || c == 0x301 || c == ' '
                            : font == 2 ? c >= 0x590 && c <= 0x6FF
                                        : c < 0x370 || c == U'…';
            if (!in)
                return false;
        }
        return true;
    };
    if (has(wanted))
        return wanted;
    return has(0) ? 0 : has(1) ? 1 : 2;
}

struct SShown
{
    int Font;
    std::u32string Text; // as on screen, left to right
    bool operator==(const SShown&) const = default;
};

void PrintTo(const SShown& shown, std::ostream* out);

std::vector<SShown> Shown(const std::u32string& line)
{
    std::vector<SShown> shown;
    for (const STextRun& run : VisualRuns(line, Pick))
        shown.push_back({run.Font, VisualText(line, run)});
    return shown;
}

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text)
        if (c < 0x80)
            out += char(c);
        else if (c < 0x800)
            out += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
        else
            out += {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
    return out;
}
void PrintTo(const SShown& shown, std::ostream* out)
{
    *out << shown.Font << ":\"" << Utf8(shown.Text) << "\"";
}
} // namespace

TEST(TextRunsTest, RunsAreInScreenOrderWithOneFontEachAndMirroredBrackets)
{
    struct SCase
    {
        std::u32string Line;
        std::vector<SShown> Runs;
    };
    const std::vector<SCase> cases = {
        {U"Song 1", {{0, U"Song 1"}}},
        {U"Song αβ γ", {{0, U"Song "}, {1, U"αβ γ"}}},
        {U"ά\u0301e\u0301", {{1, U"ά\u0301"}, {0, U"e\u0301"}}}, // marks stay with their base
        {U"שלום עולם", {{2, U"םלוע"}, {0, U" "}, {2, U"םולש"}}}, // read right to left
        {U"12 שיר", {{2, U"ריש"}, {0, U" "}, {0, U"12"}}},       // a number keeps its order
        {U"א (ב)", {{0, U"("}, {2, U"ב"}, {0, U") "}, {2, U"א"}}},
        // The brackets around Hebrew after a number are right to left too.
        {U"Track שיר 12.5 (א) end",
         {{0, U"Track "},
          {0, U"("},
          {2, U"א"},
          {0, U") "},
          {0, U"12.5"},
          {0, U" "},
          {2, U"ריש"},
          {0, U" end"}}},
        {U"أغنية Live 2", {{0, U"Live 2"}, {0, U" "}, {2, U"ةينغأ"}}}, // Latin inside Arabic
        {U"", {}},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(Shown(c.Line), c.Runs) << Utf8(c.Line);
}

TEST(TextRunsTest, ScriptsFollowTheLettersAndIdeographsAreSizedByTheirEm)
{
    const std::u32string line = U"1 αβ γ";
    const std::vector<STextRun> runs = VisualRuns(line, Pick);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].Script, HB_SCRIPT_GREEK); // the blank inside Greek is Greek
    EXPECT_EQ(runs[1].End, line.size());
    EXPECT_TRUE(IsIdeographic(HB_SCRIPT_HANGUL));
    EXPECT_FALSE(IsIdeographic(HB_SCRIPT_CYRILLIC));
}

TEST(TextRunsTest, TextIsDecodedWholeAndCutAtItsLogicalEnd)
{
    // Bad bytes are U+FFFD; joiners and variation selectors stay for shaping.
    EXPECT_EQ(DecodeText("a\xF0\x9F\x8E\xB5\xE2\x80\x8D\xEF\xB8\x8F\xFF\xCE\xB1"),
              U"a\U0001F3B5\u200D\uFE0F\uFFFDα");
    EXPECT_EQ(Visible(U"a\u00ADb\u200Dc\uFE0F"), U"abc");
    const FLineWidth count = [](const std::u32string& line) { return int(line.size()); };
    EXPECT_EQ(FitWidth(U"abcdef", 6, count), U"abcdef");
    EXPECT_EQ(FitWidth(U"abcdef", 5, count), U"abcd…");
    EXPECT_EQ(FitWidth(U"ab  cdef", 5, count), U"ab…");       // no blank before the cut
    EXPECT_EQ(FitWidth(U"ae\u0301\u0301f", 3, count), U"a…"); // a mark never loses its base
    EXPECT_EQ(FitWidth(U"हिन्दी", 5, count), U"हि…");          // a virama keeps its conjunct
    EXPECT_EQ(FitWidth(U"அக்ஷரம்", 4, count), U"அ…");           // in Tamil too
    // A path keeps its end: the folder the player is in.
    EXPECT_EQ(FitWidth(U"/music/rock", 6, count, ECut::KeepEnd), U"…/rock");
    EXPECT_EQ(FitWidth(U"/a b  cd", 4, count, ECut::KeepEnd), U"…cd"); // no blank after the cut
    EXPECT_EQ(FitWidth(U"abc", 0, count), U"…");
    // A right-to-left line keeps its first words; the "…" shows at its left end.
    const std::u32string cut = FitWidth(U"שלום עולם", 6, count);
    EXPECT_EQ(cut, U"שלום…");
    EXPECT_EQ(Shown(cut).front(), (SShown{0, U"…"}));
}
