#pragma once
#include "audio/backend/decode/Reader.h"

#include <memory>
#include <vector>

struct soxr;

namespace korvane::backend
{

// PCM at any rate to `outRate` with libsoxr (high quality, delay compensated: output frame n
// is the input at time n / outRate), with the channels of the reader underneath. Read counts
// output frames; Seek and Frames stay in frames of the decoded file.
class CResampleReader final : public CReader
{
public:
    CResampleReader(std::unique_ptr<CReader> inner, int outRate);
    ~CResampleReader() override;
    bool Create(); // false when soxr refuses the rates

    int64_t Read(int16_t* out, int64_t frames) override;
    bool Seek(int64_t frame) override;
    int Rate() const override { return OutRate; }
    int Channels() const override { return Inner->Channels(); }
    int64_t Frames() const override { return Inner->Frames(); }

private:
    std::unique_ptr<CReader> Inner;
    int OutRate;
    soxr* Resampler = nullptr;
    std::vector<int16_t> Input;
    size_t InputFrames = 0; // still to be fed, from InputOffset
    size_t InputOffset = 0;
    bool InputEnded = false;
    bool Drained = false;
};

} // namespace korvane::backend
