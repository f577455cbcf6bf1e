#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Every test program runs without a display or sound card and never touches the real
// home folder: SDL's dummy drivers unless a test asks otherwise, and a throw-away HOME.
int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    CTempHome home;
    return RUN_ALL_TESTS();
}
