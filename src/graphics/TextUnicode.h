#pragma once
#include <string>
#include <vector>

// What ICU knows of Unicode text that the line layout needs: the composed normal form, the
// grapheme clusters (what a reader takes for one character) and case folding. Pure logic, any
// thread.

// The text in Normalization Form C: a letter and its accent as one character wherever Unicode
// composes them (names copied from a Mac arrive decomposed). The text itself when ICU fails.
std::u32string Composed(const std::u32string& text);

// Where each unit of the line starts that is never cut or split between fonts: a grapheme
// cluster (a letter with its marks, an emoji sequence, a syllable's vowel signs), and a
// conjunct joined over a virama or a joiner kept whole. Starts with 0 and ends with the
// line's length; empty line, {0}.
std::vector<size_t> ClusterStarts(const std::u32string& line);

// Case folded (the full folding: "ß" and "SS" alike), for comparing text without its case.
std::u32string Folded(const std::u32string& text);
