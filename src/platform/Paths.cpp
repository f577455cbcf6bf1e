#include "platform/Paths.h"

#include "platform/Utf8.h"

#include <climits>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
std::string& ProgramFolderOverride()
{
    static std::string folder;
    return folder;
}

fs::path EnvFolder(const char* name, const char* homeRelative)
{
    const char* value = std::getenv(name);
    if (value && value[0] == '/')
        return value;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return fs::path(home) / homeRelative;
    return {};
}
} // namespace

namespace Paths
{
std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string ProgramFolder()
{
    if (!ProgramFolderOverride().empty())
        return ProgramFolderOverride();
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    return WithSlash(exe.parent_path().string());
}

void OverrideProgramFolder(const std::string& folder)
{
    ProgramFolderOverride() = folder.empty() ? std::string() : WithSlash(folder);
}

fs::path UserDataFolder()
{
    return EnvFolder("XDG_DATA_HOME", ".local/share");
}

fs::path UserCacheFolder()
{
    return EnvFolder("XDG_CACHE_HOME", ".cache");
}

fs::path UserConfigFolder()
{
    return EnvFolder("XDG_CONFIG_HOME", ".config");
}

std::vector<fs::path> SystemConfigFolders()
{
    std::vector<fs::path> dirs;
    const char* value = std::getenv("XDG_CONFIG_DIRS");
    std::stringstream list(value && *value ? value : "/etc/xdg");
    std::string dir;
    while (std::getline(list, dir, ':'))
        if (!dir.empty() && dir[0] == '/')
            dirs.emplace_back(dir);
    return dirs;
}

std::string DisplayableUtf8(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();)
    {
        const SUtf8Char c = Utf8At(bytes, i);
        if (c.Valid)
            out.append(bytes, i, c.Length);
        else
            out += "\xEF\xBF\xBD";
        i += c.Length;
    }
    return out;
}
} // namespace Paths
