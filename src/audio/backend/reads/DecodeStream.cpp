#include "audio/backend/reads/DecodeStream.h"

#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/reads/Levels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace korvane::backend
{

std::unique_ptr<CDecodeStream> CDecodeStream::Open(const std::string& path,
                                                   uint64_t preloadLimitBytes)
{
    // The first pass reads the song through, and it is held in memory within the same limit.
    std::unique_ptr<CReader> reader = OpenReader(path, preloadLimitBytes);
    if (!reader)
        return nullptr;
    std::unique_ptr<CDecodeStream> stream(new CDecodeStream(std::move(reader), preloadLimitBytes));
    if (!stream->Fft.Create())
        return nullptr;
    stream->AllocateMono();
    return stream;
}

CDecodeStream::CDecodeStream(std::unique_ptr<CReader> reader, uint64_t preloadLimitBytes)
    : CStream(reader->Rate(), reader->Channels(), reader->Frames()), Source(std::move(reader))
{
    CacheOn = uint64_t(LengthFrames) * sizeof(float) <= preloadLimitBytes;
    Pcm.resize(CSpectrum::BlockFrames * size_t(ChannelCount));
    Block.resize(CSpectrum::BlockFrames);
}

void CDecodeStream::SFree::operator()(float* p) const
{
    std::free(p);
}

void CDecodeStream::AllocateMono()
{
    if (!CacheOn || LengthFrames <= 0)
        return;
    // Aligned to huge pages so that a system which backs large allocations with them can do
    // so (a 4-minute song is some ten thousand faults in 4 KiB pages). No MADV_HUGEPAGE:
    // asking for them makes the kernel compact memory inside a page fault, a pause of
    // several milliseconds in the middle of the loading screen.
    constexpr size_t HugePage = size_t(2) << 20;
    const size_t bytes = size_t(LengthFrames) * sizeof(float);
    const size_t align = bytes >= HugePage ? HugePage : 64;
    Mono.reset(static_cast<float*>(std::aligned_alloc(align, (bytes + align - 1) / align * align)));
    if (!Mono)
        CacheOn = false; // the passes then decode the file again, with the same result
}

bool CDecodeStream::SetPositionBytes(int64_t bytes)
{
    // The decoder moves lazily, at the next read that needs it: spectrum passes over the
    // cached song never touch it.
    Position = std::clamp<int64_t>(bytes / BytesPerFrame(), 0, LengthFrames);
    return true;
}

int64_t CDecodeStream::Decode(int64_t frames)
{
    frames = std::min({frames, LengthFrames - Position, int64_t(CSpectrum::BlockFrames)});
    if (frames <= 0)
        return 0;
    if (SourcePosition != Position)
    {
        if (!Source->Seek(Position))
        {
            SourcePosition = -1;
            return 0;
        }
        SourcePosition = Position;
    }
    const int64_t got = Source->Read(Pcm.data(), frames);
    if (Mono && Position == MonoFrames && got > 0)
    {
        MixToMono(Pcm.data(), got, ChannelCount, Mono.get() + Position);
        MonoFrames += got;
    }
    Position += got;
    SourcePosition += got;
    return got;
}

uint32_t CDecodeStream::ReadLevel()
{
    const int64_t frames = std::max(1, SampleRate / 50);
    const int64_t got = Decode(frames);
    if (got <= 0)
        return 0xFFFFFFFFu;
    return PackedPeakLevel(Pcm.data(), got, ChannelCount);
}

ERead CDecodeStream::ReadSpectrum(float* magnitudes4096)
{
    const int64_t want = std::min<int64_t>(CSpectrum::BlockFrames, LengthFrames - Position);
    if (want <= 0)
        return ERead::Ended;
    if (want == int64_t(CSpectrum::BlockFrames) && Position + want <= MonoFrames)
    {
        Fft.Compute(Mono.get() + Position, magnitudes4096);
        Position += want;
        return ERead::Ok;
    }
    int64_t got = 0;
    if (Position + want <= MonoFrames)
    {
        std::memcpy(Block.data(), Mono.get() + Position, size_t(want) * sizeof(float));
        got = want;
        Position += want;
    }
    else
    {
        got = Decode(want);
        if (got <= 0)
            return ERead::Ended; // a read that cannot move on would repeat forever
        MixToMono(Pcm.data(), got, ChannelCount, Block.data());
    }
    std::fill(Block.begin() + got, Block.end(), 0.0f);
    Fft.Compute(Block.data(), magnitudes4096);
    return ERead::Ok;
}

} // namespace korvane::backend
