#include "musicselect/HiddenNames.h"

#include "platform/Settings.h"

#include <algorithm>
#include <iterator>

namespace
{
// /usr, /var, /srv, /opt, /tmp and /root stay: demo songs, a music server's or a download's
// files may live there.
constexpr const char* SystemFolders[] = {"bin",  "boot",  "dev",   "efi",    "etc",
                                         "lib",  "lib32", "lib64", "libx32", "lost+found",
                                         "proc", "run",   "sbin",  "snap",   "sys"};
} // namespace

CHiddenNames::CHiddenNames(const std::string& parent)
    : ShowAll(Settings::ShowHiddenFolders()), AtRoot(parent == "/")
{
}

bool CHiddenNames::Hides(const std::string& name) const
{
    if (ShowAll)
        return false;
    if (name.size() > 1 && name[0] == '.' && name != "..")
        return true;
    return AtRoot && std::any_of(std::begin(SystemFolders), std::end(SystemFolders),
                                 [&](const char* folder) { return name == folder; });
}
