#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Type-to-find: the characters typed less than a second apart form a prefix, and each key
// finds the next name that starts with it, in any script (Thai, Devanagari and Bengali
// consonants find the names whose first cluster they begin) and either case (as Unicode folds
// it: Greek, Cyrillic, accented Latin), names and keys compared in their composed form.
// Typing the same letter again cycles through the names that start with it. Main thread only.
class CTypeToFind
{
public:
    static constexpr int64_t ResetMs = 1000;

    CTypeToFind() = default;
    virtual ~CTypeToFind() = default;

    // Adds the character (a code point) typed at nowMs and returns the index of the name to
    // select, searching round the list from the one after `selected` (from `selected` itself
    // while the prefix grows); -1 when no name matches.
    int64_t Type(uint32_t character, int64_t nowMs, const std::vector<std::string>& names,
                 int64_t selected);

private:
    std::u32string Typed;
    int64_t LastKeyMs = INT64_MIN / 2;
};
