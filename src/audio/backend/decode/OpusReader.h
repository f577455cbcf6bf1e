#pragma once
#include "audio/backend/decode/Reader.h"

#include <string>

struct OggOpusFile;

namespace korvane::backend
{

// Ogg Opus through libopusfile, always at 48 kHz: the pre-skip is dropped and the header's
// output gain applied, the length (op_pcm_total) and seeks are exact, a seek giving the PCM of
// decoding from the start. Samples are rounded without dither, so every decode of a file gives
// the same PCM. Chained files whose links differ in channel count are refused.
class COpusReader final : public CFileReader
{
public:
    COpusReader() = default;
    ~COpusReader() override;
    bool Open(const std::string& path);

private:
    int64_t ReadFrames(int16_t* out, int64_t frames) override;
    int64_t SeekFrames(int64_t frame) override;

    OggOpusFile* File = nullptr;
};

} // namespace korvane::backend
