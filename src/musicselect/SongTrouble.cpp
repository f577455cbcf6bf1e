#include "musicselect/SongTrouble.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

ESongTrouble SongTrouble(const std::string& path)
{
    struct stat info
    {
    };
    // A link whose target went is as gone as the file.
    if (stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return ESongTrouble::Gone;
    if (access(path.c_str(), R_OK) != 0 && (errno == EACCES || errno == EPERM))
        return ESongTrouble::Unreadable;
    return ESongTrouble::Unplayable;
}
