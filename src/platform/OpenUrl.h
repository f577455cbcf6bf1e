#pragma once
#include <string>

// Opens a web page in the desktop's browser with `xdg-open URL`, spawned directly (never
// through a shell) and not waited for. False when the opener could not be started.
bool OpenUrl(const std::string& url);
