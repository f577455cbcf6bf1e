#pragma once
#include <string>

// The full path of a file named relative to the program's folder, e.g. "data/title.png".
// There is no other search path and no current-directory lookup; any length works.
std::string BuildAppPath(const std::string& relative);
