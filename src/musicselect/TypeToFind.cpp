#include "musicselect/TypeToFind.h"

#include "graphics/TextDecode.h"

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <locale.h>

namespace
{
// Lower case by the Unicode tables (Greek, Cyrillic, accented Latin…), whatever the player's
// locale; ASCII alone where the C library has no UTF-8 locale at all.
char32_t Folded(char32_t c)
{
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    if (unicode)
        return char32_t(towlower_l(wint_t(c), unicode));
    return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

bool StartsWith(const std::string& name, const std::u32string& prefix)
{
    const std::u32string text = DecodeText(name);
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char32_t a, char32_t b) { return Folded(a) == Folded(b); });
}
} // namespace

int64_t CTypeToFind::Type(uint32_t character, int64_t nowMs, const std::vector<std::string>& names,
                          int64_t selected)
{
    if (nowMs - LastKeyMs > ResetMs)
        Typed.clear();
    LastKeyMs = nowMs;
    Typed += static_cast<char32_t>(character);
    const bool repeated =
        std::all_of(Typed.begin(), Typed.end(), [&](char32_t c) { return c == Typed[0]; });
    const std::u32string prefix = repeated ? Typed.substr(0, 1) : Typed;
    const int64_t count = static_cast<int64_t>(names.size());
    // One letter moves on from the selected name; a longer prefix may still fit it.
    const int64_t start =
        Typed.size() == 1 || repeated ? selected + 1 : std::max<int64_t>(selected, 0);
    for (int64_t step = 0; step < count; ++step)
    {
        const int64_t index = (start + step) % count;
        if (StartsWith(names[size_t(index)], prefix))
            return index;
    }
    return -1;
}
