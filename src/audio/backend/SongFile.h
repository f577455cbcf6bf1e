#pragma once
#include <cstdio>
#include <string>

namespace korvane::backend
{

// Every file a decoder or the tag reader opens goes through here. Only regular files are
// opened: a named pipe would block the open, and every read after it, until some other
// program writes to it, and a device never ends. The type is checked before the open (a pipe
// is never opened at all) and again on the descriptor that is then read, so a file swapped
// for a pipe in between is refused too. Any thread.

// A read-only descriptor (close-on-exec), or -1 when the file is missing, unreadable, empty
// or not a regular file. The caller closes it.
int OpenSongDescriptor(const std::string& path);

// The same as a buffered stream for reading; null when refused. The caller closes it.
std::FILE* OpenSongStream(const std::string& path);

} // namespace korvane::backend
