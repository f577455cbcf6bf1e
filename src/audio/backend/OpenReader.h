#pragma once
#include "audio/backend/Reader.h"

#include <memory>
#include <string>

namespace korvane::backend
{

enum class EContainer
{
    Unknown,
    Mpeg,
    Ogg,
    Riff // WAV, RF64, AIFF: PCM containers read by libsndfile
};

// What the first bytes of a file say it is, whatever its name. MPEG audio counts only when
// two consecutive frame headers agree, so random bytes are not taken for a song.
EContainer SniffContainer(const std::string& path);

// Opens the decoder that fits the file's content, positioned at frame 0 with its exact length
// known; null when the file is missing, unreadable, empty or holds no audio we decode.
std::unique_ptr<CReader> OpenReader(const std::string& path);

} // namespace korvane::backend
