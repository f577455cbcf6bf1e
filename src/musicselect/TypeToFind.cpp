#include "musicselect/TypeToFind.h"

#include <algorithm>

namespace
{
std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (const char32_t c : text)
    {
        if (c < 0x80)
            out += static_cast<char>(c);
        else if (c < 0x800)
            out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
        else if (c < 0x10000)
            out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        else
            out +=
                {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                 static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    return out;
}

char Folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWith(const std::string& name, const std::string& prefix)
{
    return name.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), name.begin(),
                      [](char a, char b) { return Folded(a) == Folded(b); });
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
    const std::string prefix = Utf8(repeated ? Typed.substr(0, 1) : Typed);
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
