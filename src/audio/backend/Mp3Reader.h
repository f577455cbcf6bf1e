#pragma once
#include "audio/backend/Reader.h"

#include <cstdio>
#include <string>

struct mpg123_handle_struct;

namespace korvane::backend
{

// MPEG audio through libmpg123: gapless (encoder delay and padding removed where the file
// says so), the whole file scanned on open, so Frames() and Seek are exact. The file is read
// through a buffered stream: the library asks for a few hundred bytes at a time.
class CMp3Reader final : public CReader
{
public:
    CMp3Reader() = default;
    ~CMp3Reader() override;
    bool Open(const std::string& path); // false when the file holds no decodable MPEG audio

    int64_t Read(int16_t* out, int64_t frames) override;
    bool Seek(int64_t frame) override;
    int Rate() const override { return SampleRate; }
    int Channels() const override { return ChannelCount; }
    int64_t Frames() const override { return Length; }

private:
    mpg123_handle_struct* Handle = nullptr;
    std::FILE* File = nullptr; // owned; closed after the handle that reads it
    int SampleRate = 0;
    int ChannelCount = 0;
    int64_t Length = 0;
    int64_t Position = 0;
};

} // namespace korvane::backend
