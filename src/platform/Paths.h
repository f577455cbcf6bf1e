#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace Paths
{
// The running executable's folder followed by "/" (from /proc/self/exe).
std::string ProgramFolder();
// Tests point the program folder elsewhere (an empty path restores the real one).
void OverrideProgramFolder(const std::string& folder);
// $XDG_DATA_HOME, else ~/.local/share; empty when neither can be found.
std::filesystem::path UserDataFolder();
// $XDG_CACHE_HOME, else ~/.cache; empty when neither can be found.
std::filesystem::path UserCacheFolder();
// $XDG_CONFIG_HOME, else ~/.config; empty when neither can be found.
std::filesystem::path UserConfigFolder();
// $XDG_CONFIG_DIRS entries, else /etc/xdg.
std::vector<std::filesystem::path> SystemConfigFolders();
// The path with one "/" at its end (an empty path becomes "/").
std::string WithSlash(std::string path);
// Shows a possibly invalid UTF-8 name with U+FFFD in place of each bad byte sequence.
std::string DisplayableUtf8(const std::string& bytes);
} // namespace Paths
