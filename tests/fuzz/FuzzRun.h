#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What every fuzzer's main needs around its loop.
namespace Fuzz
{
struct SOptions
{
    uint64_t Iterations = 0; // --iterations
    uint64_t Seed = 1;       // --seed: mutant i of seed S is the same on every run
    std::map<std::string, std::string> Values;
    // The value of one of the fuzzer's own options, or `fallback` when it was not given.
    std::string Get(const std::string& name, const std::string& fallback) const;
};

// "--name value" pairs: --iterations, --seed and the fuzzer's own `names`. False, with
// `usage` on standard error, for any other name or a name without a value.
bool ReadOptions(int argc, char** argv, uint64_t iterations, const std::vector<std::string>& names,
                 const char* usage, SOptions& options);
// From now on an alarm (alarm(seconds) around each mutant) reports a hang and aborts.
void ReportHangsOnAlarm();
} // namespace Fuzz
