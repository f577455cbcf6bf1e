#pragma once
#include <memory>

namespace korvane::backend
{
class CDeviceClock;
class CVoice;

// The one output device: SDL's audio device at 44100 Hz stereo S16 with a buffer of at most
// 1024 frames, a mixer in its callback, and a feeder thread that keeps every voice's ring
// filled ahead (all decoding, resampling and file reads happen on the feeder).
// All of it: main thread only; Close also runs at exit when nobody called it. The SDL audio
// subsystem must be initialised before Open and is left to the caller.
namespace Output
{
bool Open();  // false (device untouched) when SDL cannot open the device
void Close(); // stops the feeder, closes the device; attached voices fall silent
bool IsOpen();
int BufferFrames(); // what the device holds ahead of what it plays; 0 when closed
// Logs once when the device has stopped calling back (see CDeviceClock): the voices then run
// silent on the wall clock. Once it calls back again, they go on from where they are heard.
void CheckDevice();
// The device's clock, for the voices (under the audio lock); lives as long as the program.
CDeviceClock& Clock();
// The player's extra latency after the device (wireless headphones, a sound system): positive
// when the sound reaches the ears later, so every heard position is that much earlier.
void SetExtraLatencyMs(int milliseconds);

// Puts a voice in the mix (silent until it plays); false when the output is closed or full.
bool Attach(const std::shared_ptr<CVoice>& voice);
// Takes a voice out; once this returns, the callback no longer touches it.
void Detach(const std::shared_ptr<CVoice>& voice);
} // namespace Output

} // namespace korvane::backend
