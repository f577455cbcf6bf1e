#pragma once
#include "audio/backend/Stream.h"
#include "audio/backend/decode/Reader.h"
#include "audio/backend/reads/Spectrum.h"

#include <memory>
#include <string>
#include <vector>

namespace korvane::backend
{

// A stream read as fast as the caller asks: 20 ms peak levels and 8192-frame spectra.
// What is decoded from frame 0 on is also kept as mono float while the whole song fits in
// `preloadLimitBytes` (4 bytes per frame), so later spectrum passes read memory, not the file.
class CDecodeStream final : public CStream
{
public:
    // Null when the file is not a song we decode.
    static std::unique_ptr<CDecodeStream> Open(const std::string& path, uint64_t preloadLimitBytes);

    int64_t PositionBytes() const override { return Position * BytesPerFrame(); }
    bool SetPositionBytes(int64_t bytes) override;
    uint32_t ReadLevel() override;
    ERead ReadSpectrum(float* magnitudes4096) override;

    bool IsPreloading() const { return CacheOn; }

private:
    CDecodeStream(std::unique_ptr<CReader> reader, uint64_t preloadLimitBytes);
    int64_t Decode(int64_t frames); // into Pcm, from Position; moves Position and the reader
    void AllocateMono();            // without memory for it, no cache

    struct SFree
    {
        void operator()(float* p) const;
    };

    std::unique_ptr<CReader> Source;
    CSpectrum Fft;
    int64_t Position = 0;       // frames
    int64_t SourcePosition = 0; // where the decoder stands
    bool CacheOn = false;
    // Frames 0..MonoFrames of the song, channels averaged; room for the whole song, written
    // once and never zeroed first (a page is only touched when the song reaches it).
    std::unique_ptr<float[], SFree> Mono;
    int64_t MonoFrames = 0;
    std::vector<int16_t> Pcm;
    std::vector<float> Block;
};

} // namespace korvane::backend
