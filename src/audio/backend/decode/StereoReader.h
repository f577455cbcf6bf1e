#pragma once
#include "audio/backend/decode/Reader.h"

#include <memory>
#include <vector>

namespace korvane::backend
{

// Any channel count to stereo for the output: mono is duplicated; with more than two
// channels, left averages channels 0, 2, 4… and right channels 1, 3, 5….
class CStereoReader final : public CReader
{
public:
    explicit CStereoReader(std::unique_ptr<CReader> inner);

    int64_t Read(int16_t* out, int64_t frames) override;
    bool Seek(int64_t frame) override { return Inner->Seek(frame); }
    int Rate() const override { return Inner->Rate(); }
    int Channels() const override { return 2; }
    int64_t Frames() const override { return Inner->Frames(); }

private:
    std::unique_ptr<CReader> Inner;
    std::vector<int16_t> Buffer;
};

} // namespace korvane::backend
