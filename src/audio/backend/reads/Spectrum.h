#pragma once
#include <cstddef>
#include <cstdint>

namespace korvane::backend
{

// 8192-point real FFT, no window, magnitudes |X[k]| × 2 / 8192 for k = 0..4095: a full-scale
// sine at a bin centre reads 1.0. One FFTW plan, made by Create and reused for every block.
// Create on the main thread (the FFTW planner is not thread-safe); Compute on one thread.
class CSpectrum
{
public:
    static constexpr size_t BlockFrames = 8192;
    static constexpr size_t Bins = 4096;

    CSpectrum() = default;
    ~CSpectrum();
    CSpectrum(const CSpectrum&) = delete;
    CSpectrum& operator=(const CSpectrum&) = delete;

    bool Create();
    // `mono` holds BlockFrames samples in [-1, 1), read and never written; writes Bins
    // magnitudes. Any alignment: the transform runs in place of `mono` when its alignment
    // suits the plan, on a copy otherwise, with the same result.
    void Compute(const float* mono, float* magnitudes);
    // The same transform, and only the magnitudes at `count` bins (each 0..Bins-1), equal to
    // what Compute gives there.
    void ComputeBins(const float* mono, const int32_t* bins, size_t count, float* magnitudes);

private:
    void Transform(const float* mono); // into Output

    void* Plan = nullptr;
    float* Input = nullptr;
    void* Output = nullptr;
};

} // namespace korvane::backend
