#pragma once
#include "audio/backend/reads/Spectrum.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

namespace korvane::backend
{

// The spectra a song analysis reads, made from one reading of the song and kept small. Every
// block of 8192 frames that starts at a multiple of 4096 frames is transformed as soon as its
// last frame has been fed, and only the magnitudes at the bins of the 96 notes are kept: 384
// bytes per 4096 frames instead of the 16 KiB of the samples themselves. They wait in two
// queues, blocks at even multiples of 4096 (0, 8192, …) and at odd ones (4096, 12288, …), and
// each is handed out once, in order, its memory given back as the queue empties.
// One thread at a time; Create on the thread that makes FFTW plans.
class CBlockNotes
{
public:
    static constexpr int Notes = 96;
    static constexpr int64_t BlockFrames = int64_t(CSpectrum::BlockFrames);
    static constexpr int64_t HopFrames = BlockFrames / 2;
    using SNotes = std::array<float, Notes>;

    CBlockNotes();
    bool Create();
    // Empty again, from frame 0, reading these 96 bins (a bin outside the spectrum reads 0).
    void Reset(const int32_t* bins);
    // The next frames of the song, interleaved 16-bit, channels averaged as the spectrum does.
    void Feed(const int16_t* pcm, int64_t frames, int channels);
    int64_t FedFrames() const { return Fed; }
    // Where the song ends before a block does: the block from `start` to the last frame fed,
    // zero-padded, joins the end of `queue`. False when those frames are no longer kept (only
    // the frames of blocks not yet transformed are).
    bool AddPartialBlock(int queue, int64_t start);
    bool Take(int queue, SNotes& notes); // false when the queue is empty
    size_t Count(int queue) const { return Queues[queue & 1].Count; }

private:
    struct SFree
    {
        void operator()(float* p) const { std::free(p); }
    };
    struct SQueue
    {
        std::deque<std::vector<SNotes>> Chunks;
        size_t Taken = 0; // from the front chunk
        size_t Count = 0;
    };
    void Keep(int queue, const float* mono);

    CSpectrum Fft;
    int32_t ReadBins[Notes] = {};  // the bins of the notes within the spectrum…
    int32_t ReadNotes[Notes] = {}; // …and those notes
    int Readable = 0;
    std::unique_ptr<float[], SFree> Window; // mono frames from WindowStart, WindowFrames of them
    int64_t WindowStart = 0;
    int64_t WindowFrames = 0;
    int64_t Fed = 0;
    int64_t NextBlock = 0; // start of the first block not transformed yet
    std::vector<float> Padded;
    SQueue Queues[2];
};

} // namespace korvane::backend
