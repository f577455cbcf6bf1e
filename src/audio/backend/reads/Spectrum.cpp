#include "audio/backend/reads/Spectrum.h"

#include <fftw3.h>

#include <cmath>
#include <cstring>

namespace korvane::backend
{
namespace
{
// |X[k]| × 2 / 8192 from a re, im pair. Plain float arithmetic that the loop below vectorises
// (this file is built without errno from sqrt); every lane rounds as this expression does, so
// a magnitude is the same whether it comes with all the others or alone.
inline float Magnitude(const float* reIm)
{
    const float scale = 2.0f / float(CSpectrum::BlockFrames);
    return std::sqrt(reIm[0] * reIm[0] + reIm[1] * reIm[1]) * scale;
}

void Magnitudes(const float* __restrict reIm, float* __restrict magnitudes)
{
    for (size_t k = 0; k < CSpectrum::Bins; ++k)
        magnitudes[k] = Magnitude(reIm + 2 * k);
}
} // namespace

CSpectrum::~CSpectrum()
{
    if (Plan)
        fftwf_destroy_plan(static_cast<fftwf_plan>(Plan));
    fftwf_free(Input);
    fftwf_free(Output);
}

bool CSpectrum::Create()
{
    if (Plan)
        return true;
    Input = fftwf_alloc_real(BlockFrames);
    auto* out = fftwf_alloc_complex(BlockFrames / 2 + 1);
    Output = out;
    if (!Input || !out)
        return false;
    Plan = fftwf_plan_dft_r2c_1d(int(BlockFrames), Input, out, FFTW_ESTIMATE);
    return Plan != nullptr;
}

void CSpectrum::Transform(const float* mono)
{
    // An out-of-place real-to-complex plan leaves its input untouched, so a caller's block
    // with the plan's alignment is transformed where it lies, saving a copy per block.
    float* in = const_cast<float*>(mono);
    if (fftwf_alignment_of(in) != fftwf_alignment_of(Input))
    {
        std::memcpy(Input, mono, BlockFrames * sizeof(float));
        in = Input;
    }
    fftwf_execute_dft_r2c(static_cast<fftwf_plan>(Plan), in, static_cast<fftwf_complex*>(Output));
}

void CSpectrum::Compute(const float* mono, float* magnitudes)
{
    Transform(mono);
    Magnitudes(static_cast<const float*>(Output), magnitudes);
}

void CSpectrum::ComputeBins(const float* mono, const int32_t* bins, size_t count, float* magnitudes)
{
    Transform(mono);
    const auto* reIm = static_cast<const float*>(Output);
    for (size_t i = 0; i < count; ++i)
        magnitudes[i] = Magnitude(reIm + 2 * size_t(bins[i]));
}

} // namespace korvane::backend
