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

// Opens a song once for everything one thread does with it while this lives: each open of the
// same path on that thread is then a duplicate of this descriptor, rewound to the start, so
// sniffing, decoding and tag reading cost one open of the file (one round trip on a network
// disk). Duplicates share one file offset: their users must take turns, each seeking before it
// reads. Not copyable; one per thread at a time.
class CHeldSong
{
public:
    explicit CHeldSong(const std::string& path);
    ~CHeldSong();
    CHeldSong(const CHeldSong&) = delete;
    CHeldSong& operator=(const CHeldSong&) = delete;

    bool IsOpen() const { return Descriptor >= 0; }
    int Error() const { return OpenError; } // errno of a refused open, 0 when open

private:
    std::string Path;
    int Descriptor = -1;
    int OpenError = 0;
};

} // namespace korvane::backend
