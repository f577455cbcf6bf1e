#include "fuzz/FuzzRun.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace Fuzz
{
namespace
{
void OnAlarm(int)
{
    const char text[] = "\nFUZZ FAILURE: hang (no progress within the time limit)\n";
    [[maybe_unused]] ssize_t w = write(2, text, sizeof text - 1);
    std::abort();
}
} // namespace

std::string SOptions::Get(const std::string& name, const std::string& fallback) const
{
    const auto it = Values.find(name);
    return it == Values.end() ? fallback : it->second;
}

bool ReadOptions(int argc, char** argv, uint64_t iterations, const std::vector<std::string>& names,
                 const char* usage, SOptions& options)
{
    options.Iterations = iterations;
    for (int i = 1; i < argc; i += 2)
    {
        const std::string name = argv[i];
        const bool own = std::find(names.begin(), names.end(), name) != names.end();
        if (i + 1 == argc || (!own && name != "--iterations" && name != "--seed"))
        {
            std::fprintf(stderr, "usage: %s\n", usage);
            return false;
        }
        if (name == "--iterations")
            options.Iterations = std::strtoull(argv[i + 1], nullptr, 10);
        else if (name == "--seed")
            options.Seed = std::strtoull(argv[i + 1], nullptr, 10);
        else
            options.Values[name] = argv[i + 1];
    }
    return true;
}

void ReportHangsOnAlarm()
{
    std::signal(SIGALRM, OnAlarm);
}
} // namespace Fuzz
