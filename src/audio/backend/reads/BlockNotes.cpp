#include "audio/backend/reads/BlockNotes.h"

#include "audio/backend/reads/Levels.h"

#include <algorithm>
#include <cstring>

namespace korvane::backend
{
namespace
{
constexpr int64_t WindowCapacity = 4 * CBlockNotes::BlockFrames;
// 1024 blocks a chunk (384 KiB): a chunk taken is handed back to the system at once.
constexpr size_t ChunkBlocks = 1024;
} // namespace

CBlockNotes::CBlockNotes() = default;

bool CBlockNotes::Create()
{
    if (!Window)
        // Aligned like the FFT plan's own input, so blocks are transformed where they lie.
        Window.reset(
            static_cast<float*>(std::aligned_alloc(64, size_t(WindowCapacity) * sizeof(float))));
    Padded.resize(CSpectrum::BlockFrames);
    return Window && Fft.Create();
}

void CBlockNotes::Reset(const int32_t* bins)
{
    Readable = 0;
    for (int n = 0; n < Notes; ++n)
        if (bins[n] >= 0 && bins[n] < int32_t(CSpectrum::Bins))
        {
            ReadBins[Readable] = bins[n];
            ReadNotes[Readable++] = n;
        }
    WindowStart = WindowFrames = Fed = NextBlock = 0;
    for (SQueue& queue : Queues)
        queue = SQueue();
}

void CBlockNotes::Feed(const int16_t* pcm, int64_t frames, int channels)
{
    while (frames > 0)
    {
        if (WindowFrames == WindowCapacity)
        {
            // Only the frames of blocks still to come are kept.
            const int64_t drop = NextBlock - WindowStart;
            std::memmove(Window.get(), Window.get() + drop,
                         size_t(WindowFrames - drop) * sizeof(float));
            WindowStart = NextBlock;
            WindowFrames -= drop;
        }
        const int64_t part = std::min(frames, WindowCapacity - WindowFrames);
        MixToMono(pcm, part, channels, Window.get() + WindowFrames);
        WindowFrames += part;
        Fed += part;
        pcm += part * channels;
        frames -= part;
        for (; NextBlock + BlockFrames <= Fed; NextBlock += HopFrames)
            Keep(int(NextBlock / HopFrames % 2), Window.get() + (NextBlock - WindowStart));
    }
}

bool CBlockNotes::AddPartialBlock(int queue, int64_t start)
{
    if (start < WindowStart || start > Fed)
        return false;
    const int64_t frames = std::min(Fed - start, BlockFrames);
    std::copy_n(Window.get() + (start - WindowStart), frames, Padded.begin());
    std::fill(Padded.begin() + frames, Padded.end(), 0.0f);
    Keep(queue, Padded.data());
    return true;
}

void CBlockNotes::Keep(int queue, const float* mono)
{
    float magnitudes[Notes];
    Fft.ComputeBins(mono, ReadBins, size_t(Readable), magnitudes);
    SQueue& q = Queues[queue & 1];
    if (q.Chunks.empty() || q.Chunks.back().size() == ChunkBlocks)
        q.Chunks.emplace_back().reserve(ChunkBlocks);
    SNotes& notes = q.Chunks.back().emplace_back(); // notes beyond the spectrum stay 0
    for (int i = 0; i < Readable; ++i)
        notes[size_t(ReadNotes[i])] = magnitudes[i];
    ++q.Count;
}

bool CBlockNotes::Take(int queue, SNotes& notes)
{
    SQueue& q = Queues[queue & 1];
    if (q.Count == 0)
        return false;
    notes = q.Chunks.front()[q.Taken++];
    --q.Count;
    if (q.Taken == q.Chunks.front().size())
    {
        q.Chunks.pop_front();
        q.Taken = 0;
    }
    return true;
}

} // namespace korvane::backend
