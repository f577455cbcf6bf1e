#pragma once
// The speed last chosen in the browser, kept in the setting "Speed" under its name.
namespace SpeedSetting
{
float Load();           // the saved speed's value; Slow when none or an unknown name was saved
void Save(float speed); // a value that is none of the speeds is not saved
} // namespace SpeedSetting
