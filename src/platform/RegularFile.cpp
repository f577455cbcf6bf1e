#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
bool Accepted(const struct stat& info, bool nonEmpty)
{
    return S_ISREG(info.st_mode) && (!nonEmpty || info.st_size > 0);
}
} // namespace

int OpenRegularFile(const std::string& path, bool nonEmpty)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return -1;
    if (!Accepted(info, nonEmpty))
    {
        errno = EINVAL;
        return -1;
    }
    // Non-blocking, so that a pipe put in the file's place since the check cannot hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !Accepted(info, nonEmpty) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
    {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

bool ReadRegularFile(const std::string& path, size_t maxBytes, std::string& contents)
{
    contents.clear();
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return false;
    char buffer[4096];
    while (contents.size() < maxBytes)
    {
        const size_t want = std::min(sizeof buffer, maxBytes - contents.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            const int error = errno;
            ::close(fd);
            contents.clear();
            errno = error;
            return false;
        }
        if (n == 0)
            break;
        contents.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool ForEachLine(const std::string& path, size_t maxLineBytes,
                 const std::function<void(const std::string&)>& line, size_t& overlong)
{
    overlong = 0;
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return false;
    std::string pending;
    bool tooLong = false; // the line read now is being passed over
    const auto take = [&](const char* from, size_t count)
    {
        if (!tooLong && pending.size() + count > maxLineBytes)
        {
            tooLong = true;
            pending.clear();
            pending.shrink_to_fit();
        }
        if (!tooLong)
            pending.append(from, count);
    };
    const auto end = [&]
    {
        if (tooLong)
            ++overlong;
        else
            line(pending);
        pending.clear();
        tooLong = false;
    };
    static constexpr size_t ChunkBytes = 1 << 16;
    std::vector<char> buffer(ChunkBytes);
    for (;;)
    {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        if (n == 0)
            break;
        const char* at = buffer.data();
        const char* const stop = at + n;
        while (const void* found = std::memchr(at, '\n', size_t(stop - at)))
        {
            const char* newline = static_cast<const char*>(found);
            take(at, size_t(newline - at));
            end();
            at = newline + 1;
        }
        take(at, size_t(stop - at));
    }
    if (!pending.empty() || tooLong)
        end();
    ::close(fd);
    return true;
}
