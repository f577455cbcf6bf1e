#pragma once
#include <string>

// The command line, read the way GNU tools read theirs: --help and --version answer and end
// the run, an unknown option or a second operand is a usage error, and one optional song or
// folder is kept for the music browser.
class CCommandLine
{
public:
    enum EAction
    {
        Play,
        ShowHelp,
        ShowVersion,
        UsageError
    };

    CCommandLine() = default;
    virtual ~CCommandLine() = default;

    // Parses argv (getopt_long prints its own message for an unknown option); main thread only.
    void Parse(int argc, char** argv);
    // Writes the answer for an action other than Play (help and version on standard output,
    // the usage hint on standard error) and returns the process exit code: 0, or 2 for a
    // usage error.
    int Answer() const;

    EAction Action = Play;
    std::string StartPath; // the operand made absolute; empty when there was none
    std::string Program = "korvane";

private:
    std::string ErrorText; // what was wrong, when getopt_long has not said it already
};
