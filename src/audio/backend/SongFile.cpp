#include "audio/backend/SongFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane::backend
{

namespace
{
// An empty file holds no song; the files of /proc, some of which block or never end, all say
// they are empty.
bool IsSongFile(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_size > 0;
}
} // namespace

int OpenSongDescriptor(const std::string& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0 || !IsSongFile(info))
        return -1;
    // Non-blocking, so that a pipe put in the file's place since the check cannot hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !IsSongFile(info) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::FILE* OpenSongStream(const std::string& path)
{
    const int fd = OpenSongDescriptor(path);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

} // namespace korvane::backend
