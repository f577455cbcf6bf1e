#include "graphics/TextUnicode.h"

#include <harfbuzz/hb.h>
#include <unicode/ubrk.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>

namespace
{
constexpr char32_t ZeroWidthJoiner = 0x200D;

std::u16string Utf16(const std::u32string& text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char32_t c : text)
        if (c >= 0x10000)
            out += {char16_t(0xD7C0 + (c >> 10)), char16_t(0xDC00 | (c & 0x3FF))};
        else
            out += char16_t(c);
    return out;
}

std::u32string Utf32(const std::u16string& text)
{
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            out += char32_t(0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00));
        else
            out += c;
    }
    return out;
}

// ICU's character boundaries, as UTF-16 offsets; empty when ICU fails. The iterator is opened
// once a thread and handed each text in turn.
std::vector<int32_t> Boundaries(const std::u16string& text)
{
    struct SIterator
    {
        UBreakIterator* Breaks = nullptr;
        ~SIterator()
        {
            if (Breaks)
                ubrk_close(Breaks);
        }
    };
    thread_local SIterator iterator;
    UErrorCode error = U_ZERO_ERROR;
    if (!iterator.Breaks)
        iterator.Breaks = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &error);
    std::vector<int32_t> at;
    if (!iterator.Breaks)
        return at;
    ubrk_setText(iterator.Breaks, reinterpret_cast<const UChar*>(text.data()), int32_t(text.size()),
                 &error);
    if (U_FAILURE(error))
        return at;
    for (int32_t b = ubrk_first(iterator.Breaks); b != UBRK_DONE; b = ubrk_next(iterator.Breaks))
        at.push_back(b);
    return at;
}

bool IsVirama(char32_t c)
{
    return hb_unicode_combining_class(hb_unicode_funcs_get_default(), c) ==
           HB_UNICODE_COMBINING_CLASS_VIRAMA;
}
} // namespace

std::u32string Composed(const std::u32string& text)
{
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&error);
    const std::u16string wide = Utf16(text);
    const auto* source = reinterpret_cast<const UChar*>(wide.data());
    if (U_FAILURE(error) || unorm2_isNormalized(nfc, source, int32_t(wide.size()), &error))
        return text;
    // Composition never makes text longer than its decomposed form allows; ask ICU if it does.
    std::u16string out(wide.size() + 16, u'\0');
    error = U_ZERO_ERROR;
    int32_t length =
        unorm2_normalize(nfc, source, int32_t(wide.size()), reinterpret_cast<UChar*>(out.data()),
                         int32_t(out.size()), &error);
    if (error == U_BUFFER_OVERFLOW_ERROR)
    {
        out.assign(size_t(length), u'\0');
        error = U_ZERO_ERROR;
        length = unorm2_normalize(nfc, source, int32_t(wide.size()),
                                  reinterpret_cast<UChar*>(out.data()), length, &error);
    }
    if (U_FAILURE(error))
        return text;
    out.resize(size_t(length));
    return Utf32(out);
}

std::vector<size_t> ClusterStarts(const std::u32string& line)
{
    const std::u16string wide = Utf16(line);
    const std::vector<int32_t> boundaries = Boundaries(wide);
    std::vector<size_t> starts{0};
    size_t character = 0; // the character at UTF-16 offset `unit`
    int32_t unit = 0;
    for (const int32_t boundary : boundaries)
    {
        while (unit < boundary)
        {
            unit += line[character] >= 0x10000 ? 2 : 1;
            ++character;
        }
        // A conjunct over a virama, or two characters over a joiner, stay one unit.
        if (character > 0 && character < line.size() && !IsVirama(line[character - 1]) &&
            line[character - 1] != ZeroWidthJoiner)
            starts.push_back(character);
    }
    if (boundaries.empty())
        for (size_t i = 1; i < line.size(); ++i) // without ICU, each character alone
            starts.push_back(i);
    if (!line.empty())
        starts.push_back(line.size());
    return starts;
}

std::u32string Folded(const std::u32string& text)
{
    const std::u16string wide = Utf16(text);
    std::u16string out(wide.size() * 3 + 1, u'\0'); // full folding grows a character to three
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length = u_strFoldCase(reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                                         reinterpret_cast<const UChar*>(wide.data()),
                                         int32_t(wide.size()), U_FOLD_CASE_DEFAULT, &error);
    if (U_FAILURE(error))
        return text;
    out.resize(size_t(length));
    return Utf32(out);
}
