#pragma once
#include <cstdint>
#include <string>

// The player's four settings (FullScreen, SeparateHS, PlayContinuous, CurrentPath) in
// $XDG_CONFIG_HOME/korvane/settings.ini, with korvane/settings.ini in $XDG_CONFIG_DIRS as
// the machine-wide fallback. Absent numbers read 0, absent text reads ""; a number beyond the
// 32-bit range reads as the nearest one there, its sign kept, with a log line. A file of any
// size is read whole: a line that is no setting (damaged, or too long to be one) is dropped
// alone. Writes replace the file atomically with every value read (never over a file that
// exists but cannot be read); when the file cannot be written the value still holds for this
// run. Blanks around names and values are ignored; line breaks, backslashes and blanks at the
// ends of a text are escaped.
// Main thread only.
namespace Settings
{
int32_t ReadNumber(const std::string& name);
std::string ReadText(const std::string& name);
bool WriteNumber(const std::string& name, int32_t value);
bool WriteText(const std::string& name, const std::string& value);
void ForgetRunValues(); // drops values kept after failed writes and the logged failures (tests)
} // namespace Settings
