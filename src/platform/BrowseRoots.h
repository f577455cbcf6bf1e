#pragma once
#include <functional>
#include <istream>
#include <string>
#include <vector>

// The places the music browser's drive view offers: the player's Music folder and home
// folder under readable names, then "/" and the mount points a player can own.
namespace BrowseRoots
{
struct SRoot
{
    std::string Path;  // ends in "/"
    std::string Label; // what the row shows
};

// XDG_MUSIC_DIR from user-dirs.dirs, else ~/Music; "" when neither is a folder other than home.
std::string MusicFolder();

// Music, Home, "/", then the mount points of /proc/self/mountinfo that PlayerMountPoints keeps.
std::vector<SRoot> List();

// From mountinfo text: mount points under /media, /mnt and /run/media, and those of removable
// devices (asked by their "major:minor"), never the system's own (/proc, /sys, /dev, /run,
// /boot, snaps) nor squashfs images. In the order given, each once, ending in "/".
std::vector<std::string>
PlayerMountPoints(std::istream& mountinfo,
                  const std::function<bool(const std::string&)>& removable);
} // namespace BrowseRoots
