#pragma once
#include <cstddef>
#include <string>

// The one walk over UTF-8 bytes: a player's file names and tags are never trusted to be valid.
// A bad byte (a stray continuation, an overlong form, a surrogate, past U+10FFFF, a sequence cut
// short) is one character of its own. Pure logic, any thread.
struct SUtf8Char
{
    char32_t CodePoint = 0; // U+FFFD for a bad byte
    size_t Length = 1;      // bytes it takes
    bool Valid = false;
};

// The character starting at bytes[at] (at < bytes.size()).
SUtf8Char Utf8At(const std::string& bytes, size_t at);

// The largest cut position not above maxBytes that falls between characters.
size_t Utf8CutPoint(const std::string& text, size_t maxBytes);
// The first maxCharacters characters of text.
std::string LimitCharacters(const std::string& text, size_t maxCharacters);
