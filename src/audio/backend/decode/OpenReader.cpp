#include "audio/backend/decode/OpenReader.h"

#include "audio/backend/decode/FfmpegReader.h"
#include "audio/backend/decode/FlacReader.h"
#include "audio/backend/decode/Mp3Reader.h"
#include "audio/backend/decode/OggReader.h"
#include "audio/backend/decode/OpusReader.h"
#include "audio/backend/decode/WavReader.h"
#include "platform/Log.h"

namespace korvane::backend
{
namespace
{
template <class TReader, class... TArgs>
std::unique_ptr<CReader> Open(const std::string& path, TArgs... args)
{
    auto reader = std::make_unique<TReader>();
    if (!reader->Open(path, args...))
        return nullptr;
    return reader;
}
} // namespace

std::unique_ptr<CReader> OpenReader(const std::string& path, uint64_t keepBytes,
                                    bool mpegHeaderHolds)
{
    const EContainer container = SniffContainer(path);
    switch (container)
    {
    case EContainer::Mpeg:
        return Open<CMp3Reader>(path, mpegHeaderHolds);
    case EContainer::Ogg:
        return Open<COggReader>(path);
    case EContainer::Opus:
        // Some Opus from ffmpeg starts at a negative granule position, which the Opus library
        // refuses and FFmpeg plays.
        if (auto reader = Open<COpusReader>(path))
            return reader;
        return Open<CFfmpegReader>(path, container, keepBytes);
    case EContainer::Flac:
        return Open<CFlacReader>(path);
    case EContainer::Riff:
    case EContainer::Aiff:
        return Open<CWavReader>(path);
    case EContainer::Mp4:
    case EContainer::Adts:
    case EContainer::Asf:
        return Open<CFfmpegReader>(path, container, keepBytes);
    case EContainer::Unknown:
        break;
    }
    return nullptr;
}

const char* RefusalNote(const std::string& path)
{
    const EContainer container = SniffContainer(path);
    const bool locked = (container == EContainer::Mp4 || container == EContainer::Asf) &&
                        CFfmpegReader::IsProtected(path, container);
    return locked ? " (DRM protected)" : "";
}

void LogRefusal(const std::string& path)
{
    Log("Could not load %s%s\n", path.c_str(), RefusalNote(path));
}

} // namespace korvane::backend
