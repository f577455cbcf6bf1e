#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korvane::backend
{

// The three header packets of one Vorbis stream, each starting with its packet type byte.
struct SVorbisHeaders
{
    std::vector<uint8_t> Identification;
    std::vector<uint8_t> Comment;
    std::vector<uint8_t> Setup;
};

// Reads, from byte `offset` of an Ogg file, the headers of the first stream whose opening page
// carries a Vorbis identification header (the stream libvorbisfile decodes there; other
// multiplexed streams are passed over). False when the file cannot be read or ends, or the
// stream breaks off, before three header packets are complete. Packet types are not checked.
bool ReadVorbisHeaders(const std::string& path, int64_t offset, SVorbisHeaders& headers);

} // namespace korvane::backend
