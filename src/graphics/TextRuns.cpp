#include "graphics/TextRuns.h"

#include "graphics/TextDecode.h"
#include "graphics/TextUnicode.h"

#include <fribidi/fribidi.h>

#include <algorithm>

namespace
{
// FriBidi's resolved levels after the line rules (trailing blanks take the paragraph's);
// empty when FriBidi fails, and the line then reads left to right.
std::vector<FriBidiLevel> Levels(const std::u32string& line)
{
    const auto length = FriBidiStrIndex(line.size());
    const auto* text = reinterpret_cast<const FriBidiChar*>(line.data());
    std::vector<FriBidiCharType> types(line.size());
    std::vector<FriBidiBracketType> brackets(line.size());
    std::vector<FriBidiLevel> levels(line.size());
    fribidi_get_bidi_types(text, length, types.data());
    fribidi_get_bracket_types(text, length, types.data(), brackets.data());
    FriBidiParType direction = FRIBIDI_PAR_ON;
    if (!fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &direction,
                                             levels.data()) ||
        !fribidi_reorder_line(0, types.data(), length, 0, direction, levels.data(), nullptr,
                              nullptr))
        return {};
    return levels;
}

// Common and inherited characters (blanks, digits, punctuation, marks) take the script of
// the text before them, or after them at the start.
std::vector<hb_script_t> Scripts(const std::u32string& line)
{
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    std::vector<hb_script_t> scripts(line.size(), HB_SCRIPT_COMMON);
    hb_script_t last = HB_SCRIPT_COMMON;
    for (size_t i = 0; i < line.size(); ++i)
    {
        const hb_script_t script = hb_unicode_script(unicode, line[i]);
        if (script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED &&
            script != HB_SCRIPT_UNKNOWN)
            last = script;
        scripts[i] = last;
    }
    const auto first = std::find_if(scripts.begin(), scripts.end(),
                                    [](hb_script_t s) { return s != HB_SCRIPT_COMMON; });
    if (first != scripts.end())
        std::fill(scripts.begin(), first, *first);
    return scripts;
}

// L2: from the highest level down to the lowest odd one, every stretch of runs at that level
// or above is turned around.
void Reorder(std::vector<STextRun>& runs, const std::vector<FriBidiLevel>& levels)
{
    if (runs.empty() || levels.empty())
        return;
    std::vector<FriBidiLevel> level(runs.size());
    for (size_t i = 0; i < runs.size(); ++i)
        level[i] = levels[runs[i].Start];
    const FriBidiLevel highest = *std::max_element(level.begin(), level.end());
    FriBidiLevel lowestOdd = highest + 1;
    for (FriBidiLevel l : level)
        if (l % 2 == 1)
            lowestOdd = std::min(lowestOdd, l);
    for (FriBidiLevel at = highest; at >= lowestOdd && at > 0; --at)
        for (size_t i = 0; i < runs.size();)
        {
            size_t end = i;
            while (end < runs.size() && level[end] >= at)
                ++end;
            std::reverse(runs.begin() + long(i), runs.begin() + long(end));
            std::reverse(level.begin() + long(i), level.begin() + long(end));
            i = std::max(end, i + 1);
        }
}
} // namespace

std::vector<STextRun> VisualRuns(const std::u32string& line, const FFontPick& pick)
{
    const std::vector<FriBidiLevel> levels = Levels(line);
    const std::vector<hb_script_t> scripts = Scripts(line);
    const std::vector<size_t> clusters = ClusterStarts(line);
    std::vector<STextRun> runs;
    // The font is chosen for each grapheme cluster whole: a mark stays with its letter.
    for (size_t k = 0; k + 1 < clusters.size(); ++k)
    {
        const size_t start = clusters[k], end = clusters[k + 1];
        // A blank has no ink: it stays in the run before it rather than break it up.
        const int before = runs.empty() ? 0 : runs.back().Font;
        const int font = pick(line, start, end, line[start] == ' ' ? before : 0);
        const bool rightToLeft = !levels.empty() && levels[start] % 2 == 1;
        // The game font is not shaped: its runs need not split by script.
        const hb_script_t script = font == 0 ? HB_SCRIPT_COMMON : scripts[start];
        if (!runs.empty() && runs.back().Font == font && runs.back().Script == script &&
            runs.back().RightToLeft == rightToLeft &&
            (levels.empty() || levels[runs.back().Start] == levels[start]))
            runs.back().End = end;
        else
            runs.push_back({font, start, end, script, rightToLeft});
    }
    Reorder(runs, levels);
    return runs;
}

std::u32string VisualText(const std::u32string& line, const STextRun& run)
{
    if (!run.RightToLeft)
        return line.substr(run.Start, run.End - run.Start);
    // Whole characters are turned around, each keeping its marks after it.
    const std::vector<size_t> clusters = ClusterStarts(line);
    std::u32string text;
    for (size_t end = run.End; end > run.Start;)
    {
        const size_t start =
            std::max(run.Start, *(std::lower_bound(clusters.begin(), clusters.end(), end) - 1));
        FriBidiChar mirrored = line[start];
        text += fribidi_get_mirror_char(line[start], &mirrored) ? char32_t(mirrored) : line[start];
        text.append(line, start + 1, end - start - 1);
        end = start;
    }
    return text;
}

bool IsIdeographic(hb_script_t script)
{
    switch (script)
    {
    case HB_SCRIPT_HAN:
    case HB_SCRIPT_HIRAGANA:
    case HB_SCRIPT_KATAKANA:
    case HB_SCRIPT_HANGUL:
    case HB_SCRIPT_BOPOMOFO:
    case HB_SCRIPT_YI:
        return true;
    default:
        return false;
    }
}
