#pragma once
#include <string>
#include <vector>

// The folder that holds the game's data/ and music/, followed by "/": the program's folder
// when data/ is beside the executable (a build tree, an unpacked folder), else the installed
// data folder found relative to it (../share/games/korvane from /usr/games). Empty when
// neither holds a data/ folder.
std::string FindAppFolder();

// The folders FindAppFolder tries, in its order.
std::vector<std::string> AppFolderCandidates();

// The full path of a file named relative to the game's folder, e.g. "data/title.png"
// (the program's folder when no data/ is found). There is no current-directory lookup; any
// length works.
std::string BuildAppPath(const std::string& relative);
