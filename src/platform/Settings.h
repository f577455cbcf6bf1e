#pragma once
#include <cstdint>
#include <string>

// The player's settings in $XDG_CONFIG_HOME/korvane/settings.ini, with korvane/settings.ini in
// $XDG_CONFIG_DIRS as the machine-wide fallback. Absent numbers read 0, absent text reads ""; a
// number beyond the 32-bit range reads as the nearest one there, its sign kept, with a log line. A
// file of any size is read whole: a line that is no setting (damaged, or too long to be one) is
// dropped alone. Writes replace the file atomically with every value read (never over a file that
// exists but cannot be read); when the file cannot be written the value still holds for this
// run. Blanks around names and values are ignored; line breaks, backslashes and blanks at the
// ends of a text are escaped.
// Main thread only.
namespace Settings
{
// Every key the game keeps. An absent or unreadable value reads as 0 or "".
//   key                type    default  range and meaning
//   FullScreen         number  0        0 window, anything else full screen
//   SeparateHS         number  0        0 all users share one highscore folder (CommonHighscores)
//   PlayContinuous     number  0        0 stop after a song, anything else play the next one
//   CurrentPath        text    ""       the folder the browser shows; "" marks a first start
//   Speed              text    ""       "Slow", "Normal" or "Fast"; anything else is Slow
//   AudioOffset        number  0        milliseconds, brought into -2000..2000 with a log line
//   ShowHiddenFolders  number  0        1 lists hidden and system folders, anything else not
//   WindowScale        text    ""       one of the window's scale steps; else one for the desktop
namespace Key
{
inline constexpr const char* FullScreen = "FullScreen";
inline constexpr const char* SeparateHS = "SeparateHS";
inline constexpr const char* PlayContinuous = "PlayContinuous";
inline constexpr const char* CurrentPath = "CurrentPath";
inline constexpr const char* Speed = "Speed";
inline constexpr const char* AudioOffset = "AudioOffset";
inline constexpr const char* ShowHiddenFolders = "ShowHiddenFolders";
inline constexpr const char* WindowScale = "WindowScale";
} // namespace Key

// The keys above, typed; each write returns whether the file took it.
bool FullScreen();
bool SetFullScreen(bool fullScreen);
bool CommonHighscores(); // "SeparateHS" inverted
bool SetCommonHighscores(bool common);
bool PlayContinuous();
bool SetPlayContinuous(bool continuous);
std::string CurrentPath();
bool SetCurrentPath(const std::string& path);
std::string SpeedName();
bool SetSpeedName(const std::string& name);
int32_t AudioOffsetMs();
bool SetAudioOffsetMs(int32_t milliseconds);
bool ShowHiddenFolders(); // only the value 1 shows them
std::string WindowScale();
bool SetWindowScale(const std::string& scale);

// The file's values by name, as the accessors above read and write them.
int32_t ReadNumber(const std::string& name);
std::string ReadText(const std::string& name);
bool WriteNumber(const std::string& name, int32_t value);
bool WriteText(const std::string& name, const std::string& value);
void ForgetRunValues(); // drops values kept after failed writes and the logged failures (tests)
} // namespace Settings
