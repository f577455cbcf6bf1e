#include "musicselect/PlayingSpeed.h"

#include "platform/Settings.h"

#include <string>

namespace
{
const char* const Setting = "Speed";
constexpr const char* Names[] = {"Slow", "Normal", "Fast"};
} // namespace

namespace PlayingSpeed
{
int IndexOf(float speed)
{
    for (int i = 0; i < 3; ++i)
        if (speed == Values[i])
            return i;
    return -1;
}

float Load()
{
    const std::string saved = Settings::ReadText(Setting);
    for (int i = 0; i < 3; ++i)
        if (saved == Names[i])
            return Values[i];
    return Values[0];
}

void Save(float speed)
{
    const int index = IndexOf(speed);
    if (index >= 0)
        Settings::WriteText(Setting, Names[index]);
}
} // namespace PlayingSpeed
