#pragma once
#include <cstddef>
#include <string>

// Cutting UTF-8 text without splitting a character (a continuation byte is never left
// dangling). Bytes that are not valid UTF-8 count as one character each.

// The largest cut position not above maxBytes that falls on a character boundary.
size_t Utf8CutPoint(const std::string& text, size_t maxBytes);
// The first maxCharacters characters of text.
std::string LimitCharacters(const std::string& text, size_t maxCharacters);
