#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes)
{
    // Keep this name's shape in step with AtomicFileNameOverhead.
    std::string temp = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = fchmod(fd, 0644) == 0;
    size_t done = 0;
    while (ok && done < bytes.size())
    {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && std::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok)
    {
        const int error = errno; // the caller's message names why the write failed
        unlink(temp.c_str());
        errno = error;
    }
    return ok;
}
