#pragma once
#include "audio/backend/decode/Reader.h"

#include <memory>
#include <string>

namespace korvane::backend
{

// Ogg Vorbis through libvorbisfile: exact length (ov_pcm_total) and sample-exact seeks.
// Chained files whose links differ in rate or channels are refused, and so are files whose
// setup headers would make libvorbis divide by zero (CVorbisSetupCheck).
class COggReader final : public CFileReader
{
public:
    COggReader();
    ~COggReader() override;
    bool Open(const std::string& path);

private:
    int64_t ReadFrames(int16_t* out, int64_t frames) override;
    int64_t SeekFrames(int64_t frame) override;

    struct SFile;
    std::unique_ptr<SFile> File;
    bool IsOpen = false;
};

} // namespace korvane::backend
