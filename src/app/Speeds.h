#pragma once
#include <cstddef>
#include <iterator>

// The three playing speeds. Value is the shared Speed, the time in seconds of 400 lane rows,
// always compared for exact equality; Name is what the browser and the result screen show;
// HighscoreSlot is the rating's place in a highscore file (and in BestRatings).
struct SSpeed
{
    float Value;
    const char* Name;
    int HighscoreSlot;
};

// In the order the browser's arrows step through them; Slow is the start value.
inline constexpr SSpeed Speeds[] = {{2.0f, "Slow", 0}, {1.2f, "Normal", 1}, {0.8f, "Fast", 2}};
inline constexpr int SpeedCount = int(std::size(Speeds));

// The index in Speeds of a Speed value; -1 for any other value.
constexpr int SpeedIndex(float value)
{
    for (int i = 0; i < SpeedCount; ++i)
        if (Speeds[i].Value == value)
            return i;
    return -1;
}

// The highscore slot a Speed value selects; any value that is not a speed counts as Fast.
constexpr int HighscoreSlot(float value)
{
    const int index = SpeedIndex(value);
    return index >= 0 ? Speeds[index].HighscoreSlot : Speeds[SpeedCount - 1].HighscoreSlot;
}
