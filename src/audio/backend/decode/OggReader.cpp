#include "audio/backend/decode/OggReader.h"

#include "audio/backend/decode/SongFile.h"
#include "audio/backend/decode/VorbisSetupCheck.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>

namespace korvane::backend
{

struct COggReader::SFile
{
    OggVorbis_File Vorbis{};
    std::FILE* Stream = nullptr; // owned; closed after the decoder that reads it
};

COggReader::COggReader() : File(std::make_unique<SFile>()) {}

COggReader::~COggReader()
{
    if (IsOpen)
        ov_clear(&File->Vorbis);
    if (File->Stream)
        std::fclose(File->Stream);
}

bool COggReader::Open(const std::string& path)
{
    // libvorbis takes some damaged setup headers and divides by zero once it decodes audio
    // with them: every link's setup is checked before anything is decoded.
    CVorbisSetupCheck setup;
    if (!setup.IsSound(path, 0) || !(File->Stream = OpenSongStream(path)) ||
        ov_open_callbacks(File->Stream, &File->Vorbis, nullptr, 0, OV_CALLBACKS_NOCLOSE) != 0)
        return false;
    IsOpen = true;
    const vorbis_info* info = ov_info(&File->Vorbis, 0);
    if (!info || !ov_seekable(&File->Vorbis))
        return false;
    for (long link = 1; link < ov_streams(&File->Vorbis); ++link)
    {
        const vorbis_info* other = ov_info(&File->Vorbis, int(link));
        if (!other || other->rate != info->rate || other->channels != info->channels ||
            !setup.IsSound(path, int64_t(File->Vorbis.offsets[link])))
            return false;
    }
    // The rate is a 32-bit header field and the total comes from the last page's granule
    // position: both are whatever the file says.
    const ogg_int64_t total = ov_pcm_total(&File->Vorbis, -1);
    if (!IsUsableFormat(info->rate, info->channels, total))
        return false;
    SampleRate = int(info->rate);
    ChannelCount = info->channels;
    Length = int64_t(total);
    return true;
}

int64_t COggReader::ReadFrames(int16_t* out, int64_t frames)
{
    if (!IsOpen)
        return 0;
    const long frameBytes = long(ChannelCount) * 2;
    char* dest = reinterpret_cast<char*>(out);
    long want = long(frames) * frameBytes;
    int64_t got = 0;
    int holes = 0;
    while (want > 0)
    {
        int link = 0;
        const long rc =
            ov_read(&File->Vorbis, dest, int(std::min<long>(want, 1 << 20)), 0, 2, 1, &link);
        if (rc == OV_HOLE && ++holes < 64)
            continue; // a gap in the data: the decoder goes on after it
        if (rc <= 0)
            break;
        dest += rc;
        want -= rc;
        got += rc / frameBytes;
    }
    return got;
}

int64_t COggReader::SeekFrames(int64_t frame)
{
    return IsOpen && ov_pcm_seek(&File->Vorbis, ogg_int64_t(frame)) == 0 ? frame : -1;
}

} // namespace korvane::backend
