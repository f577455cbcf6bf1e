// Fills a folder with the hostile files of SongFactory, for the end-to-end run of the real
// game. Usage: make_hostile_folder FOLDER (the folder must exist and be empty).
#include "support/SongFactory.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    if (!SongFactory::WriteHostileFolder(argv[1]))
    {
        std::fprintf(stderr, "%s: could not make every file in %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
