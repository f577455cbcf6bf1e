#pragma once
#include <cstddef>
#include <functional>
#include <string>

// Every file the game reads (songs, highscores, settings) is opened through here, and only
// when it is a regular file: a named pipe would block the open, and every read after it,
// until some other program writes to it, and a device never ends. The type is checked before
// the open (a pipe is never opened at all) and again on the descriptor that is then read, so
// a file swapped for a pipe in between is refused too. Any thread.

// A blocking read-only descriptor (close-on-exec), or -1 with errno set: ENOENT or ENOTDIR
// when there is no such file, EINVAL when it is not a regular file, or is empty while
// nonEmpty is asked (the files of /proc, some of which block or never end, all say they are
// empty), and the open's own error otherwise. The caller closes it.
int OpenRegularFile(const std::string& path, bool nonEmpty = false);

// At most maxBytes from the start of a regular file (short reads retried). False with errno
// set, and contents empty, when the file cannot be opened or a read fails.
bool ReadRegularFile(const std::string& path, size_t maxBytes, std::string& contents);

// Hands each line of a regular file (without its "\n") to `line`, in order, reading it to its
// end whatever its size without holding more than a line; the last line may lack its "\n". A
// line longer than maxLineBytes is passed over and counted in `overlong`. False with errno set
// when the file cannot be opened or a read fails (the lines before that were handed over).
bool ForEachLine(const std::string& path, size_t maxLineBytes,
                 const std::function<void(const std::string&)>& line, size_t& overlong);
