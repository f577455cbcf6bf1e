#pragma once
#include <cstdio>
#include <string>

namespace korvane::backend
{

// Every file a decoder or the tag reader opens goes through here: only a regular file that is
// not empty (see platform/RegularFile.h). Any thread.

// A read-only descriptor (close-on-exec), or -1 when the file is missing, unreadable, empty
// or not a regular file. The caller closes it.
int OpenSongDescriptor(const std::string& path);

// The same as a buffered stream for reading; null when refused. The caller closes it.
std::FILE* OpenSongStream(const std::string& path);

} // namespace korvane::backend
