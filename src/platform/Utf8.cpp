#include "platform/Utf8.h"

#include <cstdint>

SUtf8Char Utf8At(const std::string& bytes, size_t at)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80)
        return {lead, 1, true};
    const size_t length = (lead >> 5) == 0x6    ? 2
                          : (lead >> 4) == 0xE  ? 3
                          : (lead >> 3) == 0x1E ? 4
                                                : 0;
    const SUtf8Char bad{U'\uFFFD', 1, false};
    if (length == 0 || at + length > bytes.size())
        return bad;
    uint32_t cp = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k)
    {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xC0) != 0x80)
            return bad;
        cp = (cp << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are no characters.
    const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return bad;
    return {char32_t(cp), length, true};
}

size_t Utf8CutPoint(const std::string& text, size_t maxBytes)
{
    if (maxBytes >= text.size())
        return text.size();
    size_t cut = 0;
    for (size_t next = 0; next <= maxBytes; next += Utf8At(text, next).Length)
        cut = next;
    return cut;
}

std::string LimitCharacters(const std::string& text, size_t maxCharacters)
{
    size_t pos = 0;
    for (size_t count = 0; pos < text.size() && count < maxCharacters; ++count)
        pos += Utf8At(text, pos).Length;
    return text.substr(0, pos);
}
