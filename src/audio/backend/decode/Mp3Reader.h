#pragma once
#include "audio/backend/decode/Reader.h"

#include <cstdio>
#include <string>

struct mpg123_handle_struct;

namespace korvane::backend
{

// MPEG audio through libmpg123: gapless (encoder delay and padding removed where the file
// says so), the whole file scanned on open, so Frames() and Seek are exact. The file is read
// through a buffered stream: the library asks for a few hundred bytes at a time.
// A caller that only needs the length, and has checked that the file's Xing/Info header
// describes the whole file, may skip the scan: Frames() is then the header's count, which
// equals the scan's.
class CMp3Reader final : public CFileReader
{
public:
    CMp3Reader() = default;
    ~CMp3Reader() override;
    // False when the file holds no decodable MPEG audio.
    bool Open(const std::string& path, bool headerHolds = false);

private:
    int64_t ReadFrames(int16_t* out, int64_t frames) override;
    int64_t SeekFrames(int64_t frame) override;

    mpg123_handle_struct* Handle = nullptr;
    std::FILE* File = nullptr; // owned; closed after the handle that reads it
};

} // namespace korvane::backend
