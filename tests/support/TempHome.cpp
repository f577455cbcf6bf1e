#include "support/TempHome.h"

#include "platform/Settings.h"

#include <cstdlib>
#include <stdexcept>

namespace fs = std::filesystem;

namespace
{
const char* const Unset = "\x01";

fs::path MakeTempDir(const char* prefix)
{
    std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}
} // namespace

CTempHome::CTempHome() : RootDir(MakeTempDir("korvane-home-"))
{
    const std::pair<const char*, fs::path> vars[] = {{"HOME", Home()},
                                                     {"XDG_CONFIG_HOME", ConfigHome()},
                                                     {"XDG_DATA_HOME", DataHome()},
                                                     {"XDG_CACHE_HOME", CacheHome()},
                                                     {"XDG_CONFIG_DIRS", SystemConfig()}};
    for (const auto& [name, dir] : vars)
    {
        fs::create_directories(dir);
        const char* old = std::getenv(name);
        Saved.emplace_back(name, old ? old : Unset);
        setenv(name, dir.c_str(), 1);
    }
    Settings::ForgetRunValues();
}

CTempHome::~CTempHome()
{
    for (const auto& [name, value] : Saved)
    {
        if (value == Unset)
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    Settings::ForgetRunValues();
    std::error_code ec;
    fs::permissions(RootDir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(RootDir, ec);
}

CTempDir::CTempDir() : Dir(MakeTempDir("korvane-test-")) {}

CTempDir::~CTempDir()
{
    std::error_code ec;
    fs::remove_all(Dir, ec);
}
