#pragma once
#include <string_view>

// Which files the browser lists as songs, by their extension (letter case ignored), in the
// groups it lists them in: MP3, OGG, then FLAC, Opus, MP4 audio (M4A, MP4, AAC), WMA, then
// WAV and AIFF. What a file holds is only known when it is opened, whatever its name.
namespace SongTypes
{
constexpr int GroupCount = 7;

// The group of a file name, or -1 when its extension is not a song's.
int Group(std::string_view fileName);
} // namespace SongTypes
