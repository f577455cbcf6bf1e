#include "audio/backend/decode/WavReader.h"

#include "audio/backend/decode/SampleConvert.h"
#include "audio/backend/decode/SongFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>

namespace korvane::backend
{

CWavReader::~CWavReader()
{
    if (File)
        sf_close(File);
    if (Descriptor >= 0)
        ::close(Descriptor);
}

bool CWavReader::Open(const std::string& path)
{
    SF_INFO info{};
    Descriptor = OpenSongDescriptor(path);
    if (Descriptor < 0)
        return false;
    File = sf_open_fd(Descriptor, SFM_READ, &info, SF_FALSE);
    if (!File)
        return false;
    const int major = info.format & SF_FORMAT_TYPEMASK;
    if (major == SF_FORMAT_MPEG || !info.seekable ||
        !IsUsableFormat(info.samplerate, info.channels, info.frames))
        return false;
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    FloatSamples = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
    SampleRate = info.samplerate;
    ChannelCount = info.channels;
    Length = int64_t(info.frames);
    return true;
}

int64_t CWavReader::ReadFrames(int16_t* out, int64_t frames)
{
    if (!File)
        return 0;
    sf_count_t got = 0;
    if (FloatSamples)
    {
        Floats.resize(size_t(frames) * size_t(ChannelCount));
        got = sf_readf_float(File, Floats.data(), sf_count_t(frames));
        for (int64_t i = 0; i < int64_t(got) * ChannelCount; ++i)
            out[i] = FloatToShort(Floats[size_t(i)]);
    }
    else
        got = sf_readf_short(File, out, sf_count_t(frames));
    return std::max<int64_t>(got, 0);
}

int64_t CWavReader::SeekFrames(int64_t frame)
{
    return File && sf_seek(File, sf_count_t(frame), SEEK_SET) >= 0 ? frame : -1;
}

} // namespace korvane::backend
