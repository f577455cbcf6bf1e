#pragma once
#include <cstdint>
#include <string>

namespace korvane::backend
{

struct STrackTags
{
    std::string Title;        // UTF-8, empty when absent
    std::string Artist;       // UTF-8, empty when absent
    int64_t LengthBytes = -1; // 16-bit interleaved PCM bytes, as a playback stream counts them
};

// Opens a song only to read its tags and exact length; false when it is not a song we can
// decode (the caller treats it as "no channel"). Any thread; touches no device.
bool ProbeTrack(const std::string& path, STrackTags& tags);

} // namespace korvane::backend
