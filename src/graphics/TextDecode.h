#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Turning a player's UTF-8 text into the characters of one line, and cutting a line that is
// too wide. Pure logic, any thread.

// The width in pixels of a line in logical order.
using FLineWidth = std::function<int(const std::u32string& line)>;

// The characters of UTF-8 text, bad bytes as U+FFFD. Nothing is dropped: joiners and
// variation selectors matter to shaping.
std::u32string DecodeText(const std::string& utf8);

// The characters a line shows of UTF-8 text: decoded, composed (Composed: an accent given
// apart from its letter is drawn on it), control characters (a line break or tab in a tag) as
// blanks.
std::u32string NormalText(const std::string& utf8);

// What SDL_ttf takes: 16-bit characters, zero-terminated (the caller keeps them to 16 bits).
std::vector<uint16_t> Ucs2(const std::u32string& text);

// Format characters that change how the text around them joins or is ordered; nothing of
// them is drawn (the default-ignorable characters).
bool IsInvisible(char32_t c);

// The line without its invisible characters.
std::u32string Visible(const std::u32string& line);

// Whether c is a mark drawn on or beside the character before it (Unicode's Mn, Mc, Me).
bool IsMark(char32_t c);

// Which part of a line too wide stays: its start (the "…" at the logical end, so at the reading
// end of a right-to-left line too), or its end (a path, whose last folder matters most).
enum class ECut
{
    KeepStart,
    KeepEnd
};

// The line itself when it fits in maxWidth pixels, else its longest logical start (or end)
// that fits with "…" after (or before) it, cut between whole characters (ClusterStarts).
std::u32string FitWidth(const std::u32string& line, int maxWidth, const FLineWidth& width,
                        ECut cut = ECut::KeepStart);
