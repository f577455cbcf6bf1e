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
    bool FromHeader = false;  // the length is an MP3 header's count, not a scan's
};

// Opens a song only to read its tags and exact length; false when it is not a song we can
// decode (the caller treats it as "no channel"). The file is opened once and read only as far
// as its tags and headers where they state the length.
// An MP3 is scanned frame by frame for its exact length, unless `quick` is asked and its
// Xing/Info header describes the whole file: the header's count is then taken (FromHeader),
// which equals the scan's for every MP3 but one damaged inside, whose scan skips broken
// frames. Any thread; touches no device.
bool ProbeTrack(const std::string& path, STrackTags& tags, bool quick = false);

} // namespace korvane::backend
