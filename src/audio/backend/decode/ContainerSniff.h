#pragma once
#include <string>

namespace korvane::backend
{

enum class EContainer
{
    Unknown,
    Mpeg,
    Ogg,  // Ogg Vorbis
    Opus, // Ogg Opus
    Flac,
    Riff, // WAV, RF64: PCM containers read by libsndfile
    Aiff,
    Mp4, // MP4/M4A/MOV: AAC, ALAC or whatever audio FFmpeg decodes in them
    Adts,
    Asf // WMA
};

// What the first bytes of a file say it is, whatever its name. MPEG audio and ADTS count only
// when two consecutive frame headers agree, so random bytes are not taken for a song.
EContainer SniffContainer(const std::string& path);

} // namespace korvane::backend
