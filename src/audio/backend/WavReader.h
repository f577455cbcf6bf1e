#pragma once
#include "audio/backend/Reader.h"

#include <string>

struct sf_private_tag;

namespace korvane::backend
{

// WAV (and the other RIFF/AIFF PCM containers) through libsndfile. Never used for MPEG.
class CWavReader final : public CReader
{
public:
    CWavReader() = default;
    ~CWavReader() override;
    bool Open(const std::string& path);

    int64_t Read(int16_t* out, int64_t frames) override;
    bool Seek(int64_t frame) override;
    int Rate() const override { return SampleRate; }
    int Channels() const override { return ChannelCount; }
    int64_t Frames() const override { return Length; }

private:
    int Descriptor = -1; // owned; closed after the library's handle that reads it
    sf_private_tag* File = nullptr;
    int SampleRate = 0;
    int ChannelCount = 0;
    int64_t Length = 0;
    int64_t Position = 0;
};

} // namespace korvane::backend
