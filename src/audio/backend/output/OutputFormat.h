#pragma once

namespace korvane::backend
{

// What the output device plays, whatever the songs are: 44100 Hz stereo 16-bit, asked of the
// device in buffers of this many frames. Every voice is brought to this rate and channel count.
constexpr int OutputRate = 44100;
constexpr int OutputChannels = 2;
constexpr int DeviceBufferFrames = 1024;

} // namespace korvane::backend
