#include "app/CommandLine.h"

#include "Version.h"

#include <cstdio>
#include <filesystem>
#include <getopt.h>

namespace
{
const char* const HelpText =
    "Usage: %s [OPTION]... [SONG|FOLDER]\n"
    "An arcade game whose levels are made from your own songs: MP3, OGG, FLAC, Opus,\n"
    "M4A, MP4 or AAC (AAC or ALAC), WMA, WAV or AIFF.\n"
    "\n"
    "Given a SONG or a FOLDER, the music browser opens there after the splash.\n"
    "\n"
    "  -h, --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/korvane/settings.ini (default ~/.config/korvane/).\n"
    "The log is written to standard output. See korvane(6) for more.\n";

enum
{
    VersionOption = 256
};
} // namespace

void CCommandLine::Parse(int argc, char** argv)
{
    if (argc > 0 && argv[0] && argv[0][0])
        Program = argv[0];
    const option options[] = {{"help", no_argument, nullptr, 'h'},
                              {"version", no_argument, nullptr, VersionOption},
                              {nullptr, 0, nullptr, 0}};
    optind = 0; // a fresh scan, also when a test parses several command lines
    int code;
    while ((code = getopt_long(argc, argv, "h", options, nullptr)) != -1)
    {
        if (code == 'h' && Action != UsageError)
            Action = ShowHelp;
        else if (code == VersionOption && Action == Play)
            Action = ShowVersion;
        else if (code == '?')
            Action = UsageError;
    }
    if (Action == UsageError)
        return;
    if (argc - optind > 1)
    {
        Action = UsageError;
        ErrorText = std::string("extra operand '") + argv[optind + 1] + "'";
        return;
    }
    if (optind < argc && argv[optind][0] != '\0')
    {
        std::error_code ec;
        const std::filesystem::path path = std::filesystem::absolute(argv[optind], ec);
        StartPath = ec ? argv[optind] : path.lexically_normal().string();
    }
}

int CCommandLine::Answer() const
{
    switch (Action)
    {
    case ShowHelp:
        std::printf(HelpText, Program.c_str());
        return 0;
    case ShowVersion:
        std::printf("korvane (%s) %s\n", KORVANE_NAME, KORVANE_VERSION);
        return 0;
    case UsageError:
        if (!ErrorText.empty())
            std::fprintf(stderr, "%s: %s\n", Program.c_str(), ErrorText.c_str());
        std::fprintf(stderr, "Try '%s --help' for more information.\n", Program.c_str());
        return 2;
    case Play:
        break;
    }
    return 0;
}
