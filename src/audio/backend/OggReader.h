#pragma once
#include "audio/backend/Reader.h"

#include <memory>
#include <string>

namespace korvane::backend
{

// Ogg Vorbis through libvorbisfile: exact length (ov_pcm_total) and sample-exact seeks.
// Chained files whose links differ in rate or channels are refused, and so are files whose
// setup headers would make libvorbis divide by zero (CVorbisSetupCheck).
class COggReader final : public CReader
{
public:
    COggReader();
    ~COggReader() override;
    bool Open(const std::string& path);

    int64_t Read(int16_t* out, int64_t frames) override;
    bool Seek(int64_t frame) override;
    int Rate() const override { return SampleRate; }
    int Channels() const override { return ChannelCount; }
    int64_t Frames() const override { return Length; }

private:
    struct SFile;
    std::unique_ptr<SFile> File;
    bool IsOpen = false;
    int SampleRate = 0;
    int ChannelCount = 0;
    int64_t Length = 0;
    int64_t Position = 0;
};

} // namespace korvane::backend
