#pragma once
// The three playing speeds of the shared Speed, Slow, Normal and Fast: the time in seconds
// of 400 lane rows, compared for exact equality. The one chosen in the browser is kept in
// the setting "Speed" as its name.
namespace PlayingSpeed
{
constexpr float Values[] = {2.0f, 1.2f, 0.8f};

int IndexOf(float speed); // 0 Slow, 1 Normal, 2 Fast; -1 for any other value
float Load();             // the saved speed; Slow when none or an unknown name was saved
void Save(float speed);   // a value that is none of the three is not saved
} // namespace PlayingSpeed
