#include "platform/OpenUrl.h"

#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

bool OpenUrl(const std::string& url)
{
    // Openers of earlier clicks are reaped here, without waiting, so none stays a zombie
    // for long and nothing else in the process has its child handling changed.
    static std::vector<pid_t> openers;
    std::erase_if(openers, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });

    std::string program = "xdg-open";
    std::string argument = url;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0)
        return false;
    openers.push_back(pid);
    return true;
}
