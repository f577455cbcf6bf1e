#include "audio/backend/decode/SongFile.h"

#include "platform/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace korvane::backend
{
namespace
{
struct SHeld
{
    const std::string* Path = nullptr;
    int Descriptor = -1;
};
thread_local SHeld Held;
} // namespace

CHeldSong::CHeldSong(const std::string& path) : Path(path)
{
    Descriptor = OpenSongDescriptor(Path);
    OpenError = Descriptor < 0 ? errno : 0;
    if (Descriptor >= 0 && !Held.Path)
        Held = {&Path, Descriptor};
}

CHeldSong::~CHeldSong()
{
    if (Held.Path == &Path)
        Held = {};
    if (Descriptor >= 0)
        ::close(Descriptor);
}

int OpenSongDescriptor(const std::string& path)
{
    if (Held.Path && *Held.Path == path)
    {
        const int fd = ::fcntl(Held.Descriptor, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0 && ::lseek(fd, 0, SEEK_SET) != 0)
        {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    return OpenRegularFile(path, true); // an empty file holds no song
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
