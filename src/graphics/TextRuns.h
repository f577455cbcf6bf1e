#pragma once
#include <harfbuzz/hb.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// How one line is split for drawing: FriBidi's levels (the Unicode bidirectional algorithm,
// paragraph direction from the first strong character), the script of each character and
// the font that draws it. Pure logic, any thread.

// One stretch of a line drawn with one font in one script and direction: characters
// [Start, End) of the line in logical order. Font 0 is the game font, other keys are the
// caller's.
struct STextRun
{
    int Font = 0;
    size_t Start = 0, End = 0;
    hb_script_t Script = HB_SCRIPT_COMMON;
    bool RightToLeft = false;
    bool operator==(const STextRun&) const = default;
};

// The font to draw characters [start, end) of a line with, a character and what is drawn
// together with it: `wanted` when that font has them all, else the best other one.
using FFontPick =
    std::function<int(const std::u32string& line, size_t start, size_t end, int wanted)>;

// The runs of a line, left to right on screen; a right-to-left run still lists its
// characters in logical order (the shaper turns it around).
std::vector<STextRun> VisualRuns(const std::u32string& line, const FFontPick& pick);

// The characters of a run in the order they appear on screen, brackets mirrored in a
// right-to-left run (for a font that is not shaped).
std::u32string VisualText(const std::u32string& line, const STextRun& run);

// Whether the script lays out its letters without a lower case (Han, kana, Hangul…): such
// text is sized by its ideographic em box, not by an x-height.
bool IsIdeographic(hb_script_t script);
