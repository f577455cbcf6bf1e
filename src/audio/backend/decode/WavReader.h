#pragma once
#include "audio/backend/decode/Reader.h"

#include <string>
#include <vector>

struct sf_private_tag;

namespace korvane::backend
{

// WAV, AIFF and the other PCM containers through libsndfile. Never used for MPEG. Integer
// samples come to 16 bits the library's way (shifted); float samples are rounded like the
// other readers' (libsndfile would give them unscaled, as near silence).
class CWavReader final : public CFileReader
{
public:
    CWavReader() = default;
    ~CWavReader() override;
    bool Open(const std::string& path);

private:
    int64_t ReadFrames(int16_t* out, int64_t frames) override;
    int64_t SeekFrames(int64_t frame) override;

    int Descriptor = -1; // owned; closed after the library's handle that reads it
    sf_private_tag* File = nullptr;
    bool FloatSamples = false;
    std::vector<float> Floats;
};

} // namespace korvane::backend
