#pragma once
#include <filesystem>
#include <string>
#include <vector>

// A throw-away HOME with its own XDG config, data, cache and system-config folders. While it lives,
// the environment points there; the previous values come back when it is destroyed.
class CTempHome
{
public:
    CTempHome();
    ~CTempHome();
    CTempHome(const CTempHome&) = delete;
    CTempHome& operator=(const CTempHome&) = delete;

    const std::filesystem::path& Root() const { return RootDir; }
    std::filesystem::path Home() const { return RootDir / "home"; }
    std::filesystem::path ConfigHome() const { return RootDir / "config"; }
    std::filesystem::path DataHome() const { return RootDir / "data"; }
    std::filesystem::path CacheHome() const { return RootDir / "cache"; }
    std::filesystem::path SystemConfig() const { return RootDir / "etc-xdg"; }

private:
    std::filesystem::path RootDir;
    std::vector<std::pair<std::string, std::string>> Saved; // name, old value ("\x01" = unset)
};

// A fresh empty temporary folder, removed with everything in it when destroyed.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::filesystem::path& Path() const { return Dir; }

private:
    std::filesystem::path Dir;
};
