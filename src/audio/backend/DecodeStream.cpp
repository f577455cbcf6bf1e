#include "audio/backend/DecodeStream.h"

#include "audio/backend/Levels.h"
#include "audio/backend/OpenReader.h"

#include <algorithm>
#include <cstring>

namespace korvane::backend
{

std::unique_ptr<CDecodeStream> CDecodeStream::Open(const std::string& path,
                                                   uint64_t preloadLimitBytes)
{
    std::unique_ptr<CReader> reader = OpenReader(path);
    if (!reader)
        return nullptr;
    std::unique_ptr<CDecodeStream> stream(new CDecodeStream(std::move(reader), preloadLimitBytes));
    if (!stream->Fft.Create())
        return nullptr;
    return stream;
}

CDecodeStream::CDecodeStream(std::unique_ptr<CReader> reader, uint64_t preloadLimitBytes)
    : CStream(reader->Rate(), reader->Channels(), reader->Frames()), Source(std::move(reader))
{
    CacheOn = uint64_t(LengthFrames) * sizeof(float) <= preloadLimitBytes;
    if (CacheOn)
        Mono.reserve(size_t(LengthFrames));
    Pcm.resize(CSpectrum::BlockFrames * size_t(ChannelCount));
    Block.resize(CSpectrum::BlockFrames);
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
    if (CacheOn && Position == int64_t(Mono.size()) && got > 0)
    {
        Mono.resize(Mono.size() + size_t(got));
        MixToMono(Pcm.data(), got, ChannelCount, Mono.data() + Position);
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
    int64_t got = 0;
    if (Position + want <= int64_t(Mono.size()))
    {
        std::memcpy(Block.data(), Mono.data() + Position, size_t(want) * sizeof(float));
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
