#include "audio/backend/reads/Spectrum.h"

#include <fftw3.h>

#include <cmath>
#include <cstring>

namespace korvane::backend
{
namespace
{
// |X[k]| × 2 / 8192 from re, im pairs. Plain float arithmetic the compiler vectorises (this
// file is built without errno from sqrt); every lane rounds as the scalar expression would.
void Magnitudes(const float* __restrict reIm, float* __restrict magnitudes)
{
    const float scale = 2.0f / float(CSpectrum::BlockFrames);
    for (size_t k = 0; k < CSpectrum::Bins; ++k)
    {
        const float re = reIm[2 * k];
        const float im = reIm[2 * k + 1];
        magnitudes[k] = std::sqrt(re * re + im * im) * scale;
    }
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

void CSpectrum::Compute(const float* mono, float* magnitudes)
{
    auto* out = static_cast<fftwf_complex*>(Output);
    // An out-of-place real-to-complex plan leaves its input untouched, so a caller's block
    // with the plan's alignment is transformed where it lies, saving a copy per block.
    float* in = const_cast<float*>(mono);
    if (fftwf_alignment_of(in) != fftwf_alignment_of(Input))
    {
        std::memcpy(Input, mono, BlockFrames * sizeof(float));
        in = Input;
    }
    fftwf_execute_dft_r2c(static_cast<fftwf_plan>(Plan), in, out);
    Magnitudes(static_cast<const float*>(Output), magnitudes);
}

} // namespace korvane::backend
