#include "audio/backend/Spectrum.h"

#include <fftw3.h>

#include <cmath>
#include <cstring>

namespace korvane::backend
{

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
    std::memcpy(Input, mono, BlockFrames * sizeof(float));
    fftwf_execute(static_cast<fftwf_plan>(Plan));
    const auto* out = static_cast<const fftwf_complex*>(Output);
    const float scale = 2.0f / float(BlockFrames);
    for (size_t k = 0; k < Bins; ++k)
        magnitudes[k] = std::sqrt(out[k][0] * out[k][0] + out[k][1] * out[k][1]) * scale;
}

} // namespace korvane::backend
