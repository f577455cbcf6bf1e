#pragma once
#include "audio/backend/decode/ContainerSniff.h"

#include <cstdint>

struct AVFormatContext;
struct AVIOContext;
struct AVStream;

namespace korvane::backend
{

// An FFmpeg demuxer over a song's descriptor through an I/O context of our own: the library
// never opens a file or a URL itself, so a song can neither point it at another file nor
// block it on a pipe, and only the demuxer of the sniffed container ever parses it.
// One thread at a time; not copyable.
class CAvInput
{
public:
    CAvInput() = default;
    ~CAvInput() { Close(); }
    CAvInput(const CAvInput&) = delete;
    CAvInput& operator=(const CAvInput&) = delete;

    // Demuxes `fd` (not owned) from its start; false when the container cannot be read or
    // holds no audio. Every stream but the first audio stream is discarded.
    bool Open(int fd, EContainer container);
    void Close();

    AVFormatContext* Format = nullptr;
    AVStream* Audio = nullptr;

    // The descriptor seen through the I/O context's callbacks; `self` is the input.
    static int ReadPacket(void* self, uint8_t* buffer, int bytes);
    static int64_t SeekTo(void* self, int64_t offset, int whence);

private:
    AVIOContext* Io = nullptr;
    int Fd = -1;
    int64_t Offset = 0;
};

} // namespace korvane::backend
