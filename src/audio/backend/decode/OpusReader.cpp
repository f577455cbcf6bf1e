#include "audio/backend/decode/OpusReader.h"

#include "audio/backend/decode/SongFile.h"

#include <opus/opusfile.h> // not TagLib's opusfile.h, which is on the include path too
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace korvane::backend
{
namespace
{
// opusfile's seek decodes 80 ms before the target: the decoder is then close to, not exactly
// in, the state decoding from the start would give. After this much more decoding it is: in
// every song tried the PCM was identical again within half a second.
constexpr int64_t SettleFrames = 2 * 48000;
} // namespace

COpusReader::~COpusReader()
{
    if (File)
        op_free(File); // closes the stream
}

bool COpusReader::Open(const std::string& path)
{
    const int fd = OpenSongDescriptor(path);
    if (fd < 0)
        return false;
    OpusFileCallbacks callbacks{};
    void* stream = op_fdopen(&callbacks, fd, "rb");
    if (!stream)
    {
        ::close(fd);
        return false;
    }
    int error = 0;
    File = op_open_callbacks(stream, &callbacks, nullptr, 0, &error);
    if (!File)
    {
        callbacks.close(stream);
        return false;
    }
    if (!op_seekable(File))
        return false;
    ChannelCount = op_channel_count(File, 0);
    for (int link = 1; link < op_link_count(File); ++link)
        if (op_channel_count(File, link) != ChannelCount)
            return false;
    const ogg_int64_t total = op_pcm_total(File, -1);
    if (!IsUsableFormat(48000, ChannelCount, total))
        return false;
    SampleRate = 48000;
    Length = int64_t(total);
    op_set_dither_enabled(File, 0);
    return true;
}

int64_t COpusReader::ReadFrames(int16_t* out, int64_t frames)
{
    if (!File)
        return 0;
    int64_t got = 0;
    int holes = 0;
    while (got < frames)
    {
        const int64_t room = std::min<int64_t>((frames - got) * ChannelCount, INT_MAX);
        const int rc = op_read(File, out + got * ChannelCount, int(room), nullptr);
        if (rc == OP_HOLE && ++holes < 64)
            continue; // a gap in the data: the decoder goes on after it
        if (rc <= 0)
            break;
        got += rc;
    }
    return got;
}

int64_t COpusReader::SeekFrames(int64_t frame)
{
    const int64_t from = std::max<int64_t>(0, frame - SettleFrames);
    if (!File || op_pcm_seek(File, ogg_int64_t(from)) != 0)
        return -1;
    Position = from; // the frames up to the target are read through Read, which moves it
    return DiscardFrames(*this, frame - from) ? frame : -1;
}

} // namespace korvane::backend
