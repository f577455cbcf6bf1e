#include "graphics/TextDecode.h"

#include "graphics/TextUnicode.h"
#include "platform/Utf8.h"

#include <harfbuzz/hb.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <iterator>
#include <vector>

bool IsMark(char32_t c)
{
    switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c))
    {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
        return true;
    default:
        return false;
    }
}

std::u32string DecodeText(const std::string& utf8)
{
    std::u32string line;
    line.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();)
    {
        const SUtf8Char c = Utf8At(utf8, i);
        line += c.CodePoint;
        i += c.Length;
    }
    return line;
}

std::u32string NormalText(const std::string& utf8)
{
    std::u32string line = Composed(DecodeText(utf8));
    for (char32_t& c : line)
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            c = ' ';
    return line;
}

std::vector<uint16_t> Ucs2(const std::u32string& text)
{
    std::vector<uint16_t> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

bool IsInvisible(char32_t c)
{
    return u_hasBinaryProperty(UChar32(c), UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
}

std::u32string Visible(const std::u32string& line)
{
    std::u32string visible;
    visible.reserve(line.size());
    std::copy_if(line.begin(), line.end(), std::back_inserter(visible),
                 [](char32_t c) { return !IsInvisible(c); });
    return visible;
}

std::u32string FitWidth(const std::u32string& line, int maxWidth, const FLineWidth& width, ECut cut)
{
    if (width(line) <= maxWidth)
        return line;
    const std::vector<size_t> cuts = ClusterStarts(line); // where a whole character ends
    const auto blank = [](char32_t c) { return c == ' ' || c == 0x3000; };
    // The part kept up to (or from) a cut, with "…" where the rest was.
    auto shortened = [&](size_t at)
    {
        if (cut == ECut::KeepEnd)
        {
            size_t from = at;
            while (from < line.size() && blank(line[from]))
                ++from;
            return U'…' + line.substr(from);
        }
        std::u32string text = line.substr(0, at);
        while (!text.empty() && blank(text.back()))
            text.pop_back();
        return text + U'…';
    };
    // The most that fits: keeping nothing always does (cuts[0] for a start, the last cut for
    // an end); kept[k] grows with k.
    const auto kept = [&](size_t k)
    { return cut == ECut::KeepEnd ? cuts[cuts.size() - 1 - k] : cuts[k]; };
    size_t low = 0, high = cuts.size() - 1;
    while (high - low > 1)
    {
        const size_t middle = (low + high) / 2;
        (width(shortened(kept(middle))) <= maxWidth ? low : high) = middle;
    }
    return shortened(kept(low));
}
