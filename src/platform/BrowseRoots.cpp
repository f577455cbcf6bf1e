#include "platform/BrowseRoots.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using Paths::WithSlash;

namespace
{
bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

bool IsFolder(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? WithSlash(home) : std::string();
}

// /proc/self/mountinfo escapes blanks and backslashes in octal (\040).
std::string UnescapeMountPath(const std::string& field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i)
    {
        if (field[i] == '\\' && i + 3 < field.size() &&
            field.substr(i + 1, 3).find_first_not_of("01234567") == std::string::npos)
        {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

// The value of XDG_MUSIC_DIR in user-dirs.dirs: "$HOME/Music" or an absolute path, quoted.
std::string UserDirsMusic(const std::string& home)
{
    std::ifstream file(Paths::UserConfigFolder() / "user-dirs.dirs");
    std::string line;
    while (std::getline(file, line))
    {
        const std::string key = "XDG_MUSIC_DIR=\"";
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        std::string value;
        for (size_t i = start + key.size(); i < line.size() && line[i] != '"'; ++i)
            value += line[i] == '\\' && i + 1 < line.size() ? line[++i] : line[i];
        if (StartsWith(value, "$HOME"))
            return home.empty() ? std::string() : WithSlash(home + value.substr(5));
        return value.empty() || value[0] != '/' ? std::string() : WithSlash(value);
    }
    return {};
}

bool ReadsOne(const std::string& file)
{
    std::ifstream in(file);
    char c = 0;
    return in.get(c) && c == '1';
}

// A partition's "removable" flag is its disk's: one folder up in sysfs.
bool RemovableDevice(const std::string& majorMinor)
{
    const std::string device = "/sys/dev/block/" + majorMinor;
    return ReadsOne(device + "/removable") || ReadsOne(device + "/../removable");
}
} // namespace

namespace BrowseRoots
{
std::string MusicFolder()
{
    const std::string home = HomeFolder();
    for (const std::string& candidate : {UserDirsMusic(home), home.empty() ? "" : home + "Music/"})
    {
        // "$HOME" itself is how user-dirs.dirs turns the Music folder off.
        const std::string music = fs::path(candidate).lexically_normal().string();
        if (music != home && IsFolder(music))
            return music;
    }
    return {};
}

std::vector<std::string> PlayerMountPoints(std::istream& mountinfo,
                                           const std::function<bool(const std::string&)>& removable)
{
    std::vector<std::string> points;
    std::string line;
    while (std::getline(mountinfo, line))
    {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, field, type;
        if (!(fields >> id >> parent >> device >> root >> mountPoint))
            continue;
        while (fields >> field && field != "-")
            ; // optional fields up to the separator
        fields >> type;
        const std::string path = WithSlash(UnescapeMountPath(mountPoint));
        bool player = false;
        for (const char* prefix : {"/media/", "/mnt/", "/run/media/"})
            player =
                player || (StartsWith(path, prefix) && path.size() > std::string(prefix).size());
        bool system = type == "squashfs" || path == "/";
        for (const char* prefix :
             {"/proc/", "/sys/", "/dev/", "/boot/", "/snap/", "/var/snap/", "/var/lib/snapd/"})
            system = system || StartsWith(path, prefix);
        system = system || (StartsWith(path, "/run/") && !StartsWith(path, "/run/media/"));
        if (!system && (player || removable(device)) &&
            std::find(points.begin(), points.end(), path) == points.end())
            points.push_back(path);
    }
    return points;
}

std::vector<SRoot> List()
{
    std::vector<SRoot> roots;
    auto add = [&roots](const std::string& path, const std::string& label)
    {
        const bool known = std::any_of(roots.begin(), roots.end(),
                                       [&](const SRoot& root) { return root.Path == path; });
        if (!path.empty() && !known)
            roots.push_back({path, label});
    };
    add(MusicFolder(), "Music");
    const std::string home = HomeFolder();
    add(IsFolder(home) ? home : std::string(), "Home");
    add("/", "/");
    std::ifstream mounts("/proc/self/mountinfo");
    for (const std::string& point : PlayerMountPoints(mounts, RemovableDevice))
        add(point, point);
    return roots;
}
} // namespace BrowseRoots
