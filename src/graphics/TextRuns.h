#pragma once
#include <functional>
#include <string>
#include <vector>

// How one line of text is laid out before the font library draws it: which characters it can
// draw, which font draws each, and the order on screen. The line reads left to right; a
// stretch of Hebrew or Arabic inside it is turned around so that it reads right to left, its
// numbers kept in reading order. Arabic letters take their joined shapes; no other shaping.
// Pure logic, any thread.

// Stands for what the font library cannot draw (characters past U+FFFF, such as emoji): no
// font has it, so it shows as the game font's box.
constexpr char32_t MissingGlyph = 0xFFFF;

// One stretch of a line drawn with one font: 0 is the game font, other keys are the caller's.
struct STextRun
{
    int Font = 0;
    std::u32string Text;
    bool operator==(const STextRun&) const = default;
};

// The font to draw c with: `wanted` when that font has it, else the best other one.
using FFontPick = std::function<int(char32_t c, int wanted)>;
// The width in pixels of a line in logical order.
using FLineWidth = std::function<int(const std::u32string& line)>;

// The characters of UTF-8 text as drawn: bad bytes as U+FFFD, invisible format characters
// (joiners, direction marks, variation selectors) left out, MissingGlyph for the rest that
// the font library cannot take, Arabic letters in the shapes their neighbours give them.
std::u32string DecodeForDisplay(const std::string& utf8);

// The runs of a line, left to right on screen. A combining mark stays with its base
// character, in the base's font when that font has it.
std::vector<STextRun> VisualRuns(const std::u32string& line, const FFontPick& pick);

// The line itself when it fits in maxWidth pixels, else its longest start that fits with "…"
// after it, cut between whole characters (never between a character and its marks).
std::u32string FitWidth(const std::u32string& line, int maxWidth, const FLineWidth& width);
