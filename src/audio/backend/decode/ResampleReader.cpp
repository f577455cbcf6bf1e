#include "audio/backend/decode/ResampleReader.h"

#include <soxr.h>

namespace korvane::backend
{
namespace
{
constexpr size_t InputChunkFrames = 4096;
}

CResampleReader::CResampleReader(std::unique_ptr<CReader> inner, int outRate)
    : Inner(std::move(inner)), OutRate(outRate)
{
}

CResampleReader::~CResampleReader()
{
    if (Resampler)
        soxr_delete(Resampler);
}

bool CResampleReader::Create()
{
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER; // dither would make the two sides of an up-mixed mono song differ
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    Resampler = soxr_create(double(Inner->Rate()), double(OutRate), unsigned(Inner->Channels()),
                            &error, &io, &quality, nullptr);
    Input.resize(InputChunkFrames * size_t(Inner->Channels()));
    return Resampler && !error;
}

int64_t CResampleReader::Read(int16_t* out, int64_t frames)
{
    const auto channels = size_t(Inner->Channels());
    int64_t produced = 0;
    while (produced < frames && !Drained)
    {
        if (InputFrames == 0 && !InputEnded)
        {
            InputOffset = 0;
            InputFrames = size_t(Inner->Read(Input.data(), int64_t(InputChunkFrames)));
            InputEnded = InputFrames == 0;
        }
        size_t used = 0, made = 0;
        // A null input tells soxr the song is over: it flushes what its filter still holds.
        const void* in = InputEnded ? nullptr : &Input[InputOffset * channels];
        soxr_process(Resampler, in, InputFrames, &used, out + produced * int64_t(channels),
                     size_t(frames - produced), &made);
        InputOffset += used;
        InputFrames -= used;
        produced += int64_t(made);
        if (InputEnded && made == 0)
            Drained = true;
    }
    return produced;
}

bool CResampleReader::Seek(int64_t frame)
{
    soxr_clear(Resampler);
    InputFrames = InputOffset = 0;
    InputEnded = Drained = false;
    return Inner->Seek(frame);
}

} // namespace korvane::backend
