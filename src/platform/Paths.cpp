#include "platform/Paths.h"

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
    size_t i = 0;
    while (i < bytes.size())
    {
        const auto c = static_cast<unsigned char>(bytes[i]);
        size_t len = c < 0x80           ? 1
                     : (c >> 5) == 0x6  ? 2
                     : (c >> 4) == 0xE  ? 3
                     : (c >> 3) == 0x1E ? 4
                                        : 0;
        bool valid = len != 0 && i + len <= bytes.size();
        for (size_t k = 1; valid && k < len; ++k)
            valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        if (valid && len > 1)
        {
            // Reject overlong forms, surrogates and code points past U+10FFFF.
            uint32_t cp = c & (0x7F >> len);
            for (size_t k = 1; k < len; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
            const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
            valid = cp >= minimum[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        }
        if (valid)
        {
            out.append(bytes, i, len);
            i += len;
        }
        else
        {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}
} // namespace Paths
