#include "platform/AppPath.h"

#include "InstallLayout.h"
#include "platform/Paths.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace
{
std::string InstalledFolder()
{
    const fs::path folder = fs::path(Paths::ProgramFolder()) / KORVANE_DATA_FROM_PROGRAM;
    return folder.lexically_normal().string() + "/";
}

bool HoldsData(const std::string& folder)
{
    std::error_code ec;
    return fs::is_directory(folder + "data", ec);
}
} // namespace

std::vector<std::string> AppFolderCandidates()
{
    return {Paths::ProgramFolder(), InstalledFolder()};
}

std::string FindAppFolder()
{
    for (const std::string& folder : AppFolderCandidates())
        if (HoldsData(folder))
            return folder;
    return {};
}

std::string BuildAppPath(const std::string& relative)
{
    const std::string folder = FindAppFolder();
    return (folder.empty() ? Paths::ProgramFolder() : folder) + relative;
}
