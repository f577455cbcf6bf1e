#include "graphics/TextRuns.h"

#include "platform/Paths.h"

#include <algorithm>
#include <utility>

namespace
{
struct SRange
{
    char32_t First, Last;
};

template <size_t N> bool InRanges(char32_t c, const SRange (&ranges)[N])
{
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](const SRange& r) { return c >= r.First && c <= r.Last; });
}

// Marks drawn on the character before them (the scripts a title is likely to use).
constexpr SRange CombiningMarks[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
    {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670},
    {0x06D6, 0x06DC}, {0x06DF, 0x06E4}, {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0900, 0x0903},
    {0x093A, 0x094F}, {0x0951, 0x0957}, {0x0962, 0x0963}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A},
    {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x20D0, 0x20FF}, {0x3099, 0x309A},
    {0xFE20, 0xFE2F}};

// Format characters that change how text around them is joined or ordered; nothing of them
// is drawn.
constexpr SRange Invisible[] = {
    {0x00AD, 0x00AD},   {0x034F, 0x034F},  {0x061C, 0x061C}, {0x115F, 0x1160}, {0x17B4, 0x17B5},
    {0x180B, 0x180F},   {0x200B, 0x200F},  {0x202A, 0x202E}, {0x2060, 0x206F}, {0x3164, 0x3164},
    {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},  {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF}};

constexpr SRange RightToLeft[] = {{0x0590, 0x08FF}, {0xFB1D, 0xFDFF}, {0xFE70, 0xFEFE}};

// Spaces, punctuation and symbols: they take the direction of the text around them.
constexpr SRange Neutral[] = {
    {0x0000, 0x002F}, {0x003A, 0x0040}, {0x005B, 0x0060}, {0x007B, 0x00BF}, {0x00D7, 0x00D7},
    {0x00F7, 0x00F7}, {0x2000, 0x2BFF}, {0x3000, 0x3004}, {0x3008, 0x3020}, {0xFE10, 0xFE6F},
    {0xFF01, 0xFF20}, {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65}, {0xFFF0, 0xFFFF}};

constexpr SRange Digits[] = {{'0', '9'}, {0x0660, 0x0669}, {0x06F0, 0x06F9}};

bool IsCombiningMark(char32_t c)
{
    return c >= 0x0300 && InRanges(c, CombiningMarks);
}

bool IsDigit(char32_t c)
{
    return InRanges(c, Digits);
}

bool IsRightToLeft(char32_t c)
{
    return !IsDigit(c) && InRanges(c, RightToLeft);
}

bool IsLeftToRight(char32_t c)
{
    return !IsDigit(c) && !IsRightToLeft(c) && !InRanges(c, Neutral);
}

char32_t Mirrored(char32_t c)
{
    constexpr std::pair<char32_t, char32_t> pairs[] = {
        {'(', ')'}, {'[', ']'}, {'{', '}'}, {'<', '>'}, {0x00AB, 0x00BB}, {0x2039, 0x203A}};
    for (const auto& [open, close] : pairs)
        if (c == open || c == close)
            return c == open ? close : open;
    return c;
}

// A character and the marks that follow it: [Start, End) of the line.
struct SCluster
{
    size_t Start = 0, End = 0;
    bool Mirror = false;
};

std::vector<SCluster> Clusters(const std::u32string& line)
{
    std::vector<SCluster> clusters;
    for (size_t i = 0; i < line.size(); ++i)
        if (!clusters.empty() && IsCombiningMark(line[i]))
            clusters.back().End = i + 1;
        else
            clusters.push_back({i, i + 1});
    return clusters;
}

// Within a number, "1.5" or "12:30" keeps its separators.
bool InNumber(const std::u32string& line, const std::vector<SCluster>& clusters, size_t k)
{
    const char32_t c = line[clusters[k].Start];
    if (IsDigit(c))
        return true;
    const bool separator = c == '.' || c == ',' || c == ':' || c == '/';
    return separator && k > 0 && k + 1 < clusters.size() && IsDigit(line[clusters[k - 1].Start]) &&
           IsDigit(line[clusters[k + 1].Start]);
}

// Turns each right-to-left stretch around: it starts at a right-to-left letter, takes in
// neutrals and numbers up to the last letter or number before a left-to-right letter.
void ReorderRightToLeft(const std::u32string& line, std::vector<SCluster>& clusters)
{
    size_t i = 0;
    while (i < clusters.size())
    {
        if (!IsRightToLeft(line[clusters[i].Start]))
        {
            ++i;
            continue;
        }
        size_t end = i + 1;
        for (size_t j = i + 1; j < clusters.size() && !IsLeftToRight(line[clusters[j].Start]); ++j)
            if (IsRightToLeft(line[clusters[j].Start]) || IsDigit(line[clusters[j].Start]))
                end = j + 1;
        std::vector<bool> number(end - i);
        for (size_t k = i; k < end; ++k)
            number[k - i] = InNumber(line, clusters, k);
        std::reverse(clusters.begin() + long(i), clusters.begin() + long(end));
        std::reverse(number.begin(), number.end());
        for (size_t k = i; k < end;)
        {
            size_t stop = k;
            while (stop < end && number[stop - i])
                ++stop;
            std::reverse(clusters.begin() + long(k), clusters.begin() + long(stop));
            k = std::max(stop, k + 1);
        }
        for (size_t k = i; k < end; ++k)
            clusters[k].Mirror = true;
        i = end;
    }
}
// Arabic letters U+0621 to U+064A: the first of their presentation forms (isolated, final,
// initial, medial) and how they join: 'D' both sides, 'R' only to the letter before, 'U' none,
// 'C' the tatweel, which joins both sides and keeps its shape.
struct SArabicLetter
{
    char32_t Isolated;
    char Joins;
};
constexpr SArabicLetter ArabicLetters[] = {
    {0xFE80, 'U'}, {0xFE81, 'R'}, {0xFE83, 'R'}, {0xFE85, 'R'}, {0xFE87, 'R'}, {0xFE89, 'D'},
    {0xFE8D, 'R'}, {0xFE8F, 'D'}, {0xFE93, 'R'}, {0xFE95, 'D'}, {0xFE99, 'D'}, {0xFE9D, 'D'},
    {0xFEA1, 'D'}, {0xFEA5, 'D'}, {0xFEA9, 'R'}, {0xFEAB, 'R'}, {0xFEAD, 'R'}, {0xFEAF, 'R'},
    {0xFEB1, 'D'}, {0xFEB5, 'D'}, {0xFEB9, 'D'}, {0xFEBD, 'D'}, {0xFEC1, 'D'}, {0xFEC5, 'D'},
    {0xFEC9, 'D'}, {0xFECD, 'D'}, {0, 'U'},      {0, 'U'},      {0, 'U'},      {0, 'U'},
    {0, 'U'},      {0x0640, 'C'}, {0xFED1, 'D'}, {0xFED5, 'D'}, {0xFED9, 'D'}, {0xFEDD, 'D'},
    {0xFEE1, 'D'}, {0xFEE5, 'D'}, {0xFEE9, 'D'}, {0xFEED, 'R'}, {0xFEEF, 'R'}, {0xFEF1, 'D'}};

char ArabicJoins(char32_t c)
{
    return c >= 0x0621 && c <= 0x064A ? ArabicLetters[c - 0x0621].Joins : 'U';
}

// Lam followed by one of the alefs (madda, hamza above, hamza below, plain): the isolated
// form of their ligature, or 0.
char32_t LamAlef(char32_t lam, char32_t alef)
{
    if (lam != 0x0644)
        return 0;
    return alef == 0x0622   ? 0xFEF5
           : alef == 0x0623 ? 0xFEF7
           : alef == 0x0625 ? 0xFEF9
           : alef == 0x0627 ? 0xFEFB
                            : 0;
}

// The joined shapes of Arabic letters, so that a word is drawn as one; marks between two
// letters do not break the join.
std::u32string JoinArabic(const std::u32string& line)
{
    auto neighbour = [&line](size_t i, int step)
    {
        do
            i += size_t(step); // past the start it wraps to a value past the end
        while (i < line.size() && IsCombiningMark(line[i]));
        return i < line.size() ? ArabicJoins(line[i]) : 'U';
    };
    std::u32string joined;
    for (size_t i = 0; i < line.size(); ++i)
    {
        const char joins = ArabicJoins(line[i]);
        if (joins == 'U' || joins == 'C')
        {
            joined += line[i];
            continue;
        }
        const char before = neighbour(i, -1);
        const bool toPrevious = before == 'D' || before == 'C';
        const char32_t ligature = i + 1 < line.size() ? LamAlef(line[i], line[i + 1]) : 0;
        if (ligature)
        {
            joined += ligature + (toPrevious ? 1 : 0);
            ++i;
            continue;
        }
        const char after = neighbour(i, 1);
        const bool toNext = joins == 'D' && after != 'U';
        joined +=
            ArabicLetters[line[i] - 0x0621].Isolated + (toNext ? 2 : 0) + (toPrevious ? 1 : 0);
    }
    return joined;
}
} // namespace

std::u32string DecodeForDisplay(const std::string& utf8)
{
    const std::string valid = Paths::DisplayableUtf8(utf8);
    std::u32string line;
    line.reserve(valid.size());
    for (size_t i = 0; i < valid.size();)
    {
        const auto lead = static_cast<unsigned char>(valid[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k)
            c = c << 6 | (static_cast<unsigned char>(valid[i + k]) & 0x3F);
        i += length;
        if (InRanges(c, Invisible))
            continue;
        // U+FFFE would make the font library read the rest of the line byte-swapped.
        line += c > 0xFFFF || c == 0xFFFE ? MissingGlyph : c;
    }
    return JoinArabic(line);
}

std::vector<STextRun> VisualRuns(const std::u32string& line, const FFontPick& pick)
{
    std::vector<SCluster> clusters = Clusters(line);
    ReorderRightToLeft(line, clusters);
    std::vector<STextRun> runs;
    auto add = [&runs](int font, char32_t c)
    {
        if (runs.empty() || runs.back().Font != font)
            runs.push_back({font, {}});
        runs.back().Text += c;
    };
    for (const SCluster& cluster : clusters)
    {
        const char32_t base = line[cluster.Start];
        // A blank has no ink: it stays in the run before it rather than break it up.
        const int font = pick(base, base == ' ' && !runs.empty() ? runs.back().Font : 0);
        add(font, cluster.Mirror ? Mirrored(base) : base);
        for (size_t i = cluster.Start + 1; i < cluster.End; ++i)
            add(pick(line[i], font), line[i]);
    }
    return runs;
}

std::u32string FitWidth(const std::u32string& line, int maxWidth, const FLineWidth& width)
{
    if (width(line) <= maxWidth)
        return line;
    std::vector<size_t> cuts{0}; // where a whole character ends
    for (const SCluster& cluster : Clusters(line))
        if (cluster.Start > 0)
            cuts.push_back(cluster.Start);
    auto shortened = [&line](size_t cut)
    {
        std::u32string text = line.substr(0, cut);
        while (!text.empty() && (text.back() == ' ' || text.back() == 0x3000))
            text.pop_back();
        return text + U'…';
    };
    // The widest start that fits: cuts[low] always does (the first is an empty start).
    size_t low = 0, high = cuts.size();
    while (high - low > 1)
    {
        const size_t middle = (low + high) / 2;
        (width(shortened(cuts[middle])) <= maxWidth ? low : high) = middle;
    }
    return shortened(cuts[low]);
}
