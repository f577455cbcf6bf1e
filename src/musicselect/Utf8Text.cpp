#include "musicselect/Utf8Text.h"

namespace
{
bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
} // namespace

size_t Utf8CutPoint(const std::string& text, size_t maxBytes)
{
    if (maxBytes >= text.size())
        return text.size();
    size_t cut = maxBytes;
    // A lead byte is at most 3 continuation bytes back; further back they are stray bytes.
    for (size_t back = 0; back < 4 && cut > 0 && IsContinuation(text[cut]); ++back)
        --cut;
    return IsContinuation(text[cut]) ? maxBytes : cut;
}

std::string LimitCharacters(const std::string& text, size_t maxCharacters)
{
    size_t pos = 0;
    for (size_t count = 0; pos < text.size() && count < maxCharacters; ++count)
    {
        const auto lead = static_cast<unsigned char>(text[pos++]);
        const size_t following = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        for (size_t k = 0; k < following && pos < text.size() && IsContinuation(text[pos]); ++k)
            ++pos;
    }
    return text.substr(0, pos);
}
