#pragma once
#include "audio/backend/decode/ContainerSniff.h"
#include "audio/backend/decode/Reader.h"

#include <memory>
#include <string>

namespace korvane::backend
{

// Opens the decoder that fits the file's content, positioned at frame 0 with its exact length
// known; null when the file is missing, unreadable, empty or holds no audio we decode.
// A caller that reads the song through from frame 0 allows a decoder that must decode it all to
// learn its length to keep up to `keepBytes` of what it decoded for those reads.
// An MPEG file whose Xing/Info header the caller found to describe the whole file
// (mpegHeaderHolds) is measured from that header instead of a scan of every frame.
std::unique_ptr<CReader> OpenReader(const std::string& path, uint64_t keepBytes = 0,
                                    bool mpegHeaderHolds = false);

// Why OpenReader refused a file, when there is more to say than that it could not: " (DRM
// protected)" for a song locked to another player, else "". For the log line of a refusal.
const char* RefusalNote(const std::string& path);
// "Could not load PATH" and the note: the log line of every open of a song that failed.
void LogRefusal(const std::string& path);

} // namespace korvane::backend
