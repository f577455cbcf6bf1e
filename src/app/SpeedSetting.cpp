#include "app/SpeedSetting.h"

#include "app/Speeds.h"
#include "platform/Settings.h"

#include <string>

namespace SpeedSetting
{
float Load()
{
    const std::string saved = Settings::SpeedName();
    for (const SSpeed& speed : Speeds)
        if (saved == speed.Name)
            return speed.Value;
    return Speeds[0].Value;
}

void Save(float speed)
{
    const int index = SpeedIndex(speed);
    if (index >= 0)
        Settings::SetSpeedName(Speeds[index].Name);
}
} // namespace SpeedSetting
