#include "musicselect/TypeToFind.h"

#include "graphics/TextDecode.h"
#include "graphics/TextUnicode.h"

#include <algorithm>

namespace
{
// Text compared as a reader sees it: composed (a name copied from a Mac arrives with its
// accents apart) and case folded (Unicode's folding: Greek, Cyrillic, "ß" as "ss").
std::u32string Comparable(const std::u32string& text)
{
    return Folded(Composed(text));
}

// Whether the name begins with the typed letters: one letter typed is the start of the name's
// first grapheme cluster (a Thai or Devanagari consonant with its vowel signs, a letter with
// its accent composed), more letters its first characters.
bool StartsWith(const std::string& name, const std::u32string& prefix)
{
    const std::u32string text = Comparable(DecodeText(name));
    return !prefix.empty() && text.starts_with(prefix);
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
    const std::u32string prefix = Comparable(repeated ? Typed.substr(0, 1) : Typed);
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
