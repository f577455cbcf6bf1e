#include "audio/backend/decode/SongFile.h"

#include "platform/RegularFile.h"

#include <unistd.h>

namespace korvane::backend
{

int OpenSongDescriptor(const std::string& path)
{
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
