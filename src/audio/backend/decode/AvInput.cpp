#include "audio/backend/decode/AvInput.h"

extern "C"
{
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

namespace korvane::backend
{
namespace
{
constexpr int IoBufferBytes = 64 * 1024;

const AVInputFormat* DemuxerFor(EContainer container)
{
    switch (container)
    {
    case EContainer::Mp4:
        return av_find_input_format("mov");
    case EContainer::Adts:
        return av_find_input_format("aac");
    case EContainer::Asf:
        return av_find_input_format("asf");
    case EContainer::Opus:
        return av_find_input_format("ogg");
    default:
        return nullptr;
    }
}

// References to other files (MP4 data references, playlists) are never followed.
int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}
} // namespace

int CAvInput::ReadPacket(void* self, uint8_t* buffer, int bytes)
{
    auto* input = static_cast<CAvInput*>(self);
    const ssize_t got = ::pread(input->Fd, buffer, size_t(bytes), off_t(input->Offset));
    if (got < 0)
        return AVERROR(EIO);
    if (got == 0)
        return AVERROR_EOF;
    input->Offset += got;
    return int(got);
}

int64_t CAvInput::SeekTo(void* self, int64_t offset, int whence)
{
    auto* input = static_cast<CAvInput*>(self);
    struct stat info
    {
    };
    if (::fstat(input->Fd, &info) != 0)
        return AVERROR(EIO);
    switch (whence & ~AVSEEK_FORCE)
    {
    case AVSEEK_SIZE:
        return int64_t(info.st_size);
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += input->Offset;
        break;
    case SEEK_END:
        offset += int64_t(info.st_size);
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    input->Offset = offset;
    return offset;
}

bool CAvInput::Open(int fd, EContainer container)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); }); // bad songs are ours to report
    Close();
    Fd = fd;
    Offset = 0;
    const AVInputFormat* demuxer = DemuxerFor(container);
    auto* buffer = static_cast<uint8_t*>(av_malloc(IoBufferBytes));
    if (!demuxer || !buffer)
    {
        av_free(buffer);
        return false;
    }
    Io = avio_alloc_context(buffer, IoBufferBytes, 0, this, ReadPacket, nullptr, SeekTo);
    Format = avformat_alloc_context();
    if (!Io || !Format)
    {
        if (!Io)
            av_free(buffer);
        return false;
    }
    Format->pb = Io;
    Format->io_open = RefuseOpen;
    if (avformat_open_input(&Format, nullptr, demuxer, nullptr) < 0)
        return false; // the context is freed on failure
    for (unsigned i = 0; i < Format->nb_streams; ++i)
    {
        AVStream* stream = Format->streams[i];
        if (!Audio && stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            Audio = stream;
        else
            stream->discard = AVDISCARD_ALL;
    }
    return Audio != nullptr;
}

void CAvInput::Close()
{
    avformat_close_input(&Format); // also frees a context that was never opened
    if (Io)
        av_freep(&Io->buffer);
    avio_context_free(&Io);
    Audio = nullptr;
}

} // namespace korvane::backend
