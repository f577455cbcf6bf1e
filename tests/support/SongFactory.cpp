#include "support/SongFactory.h"

#include <lame/lame.h>
#include <sndfile.h>
#include <vorbis/vorbisenc.h>

#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace SongFactory
{
namespace
{
int16_t ToSample(double v)
{
    const double s = std::lround(v * 32767.0);
    return int16_t(std::clamp(s, -32768.0, 32767.0));
}

SPcm Empty(int rate, int channels, double seconds)
{
    SPcm pcm;
    pcm.Rate = rate;
    pcm.Channels = channels;
    pcm.Samples.assign(size_t(std::llround(seconds * rate)) * size_t(channels), 0);
    return pcm;
}

double NoteHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 57) / 12.0);
}

TagLib::String Utf8(const std::string& text)
{
    return TagLib::String(text, TagLib::String::UTF8);
}

void AddTextFrame(TagLib::ID3v2::Tag* tag, const char* id, const std::string& text,
                  TagLib::String::Type encoding)
{
    if (text.empty())
        return;
    tag->removeFrames(id);
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(TagLib::ByteVector(id), encoding);
    frame->setText(Utf8(text));
    tag->addFrame(frame);
}

bool WriteMpegTags(const fs::path& path, const std::string& title, const std::string& artist,
                   ETagKind kind)
{
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid())
        return false;
    int version = 4;
    int tags = TagLib::MPEG::File::ID3v2;
    switch (kind)
    {
    case ETagKind::Id3v1:
    {
        auto* tag = file.ID3v1Tag(true);
        tag->setTitle(Utf8(title));
        tag->setArtist(Utf8(artist));
        tags = TagLib::MPEG::File::ID3v1;
        break;
    }
    case ETagKind::Ape:
    {
        auto* tag = file.APETag(true);
        tag->setTitle(Utf8(title));
        tag->setArtist(Utf8(artist));
        tags = TagLib::MPEG::File::APE;
        break;
    }
    case ETagKind::Id3v2Latin1:
    case ETagKind::Id3v2Utf16:
    case ETagKind::Id3v2Utf16BE:
    case ETagKind::Id3v2Utf8:
    {
        const TagLib::String::Type enc = kind == ETagKind::Id3v2Latin1    ? TagLib::String::Latin1
                                         : kind == ETagKind::Id3v2Utf16   ? TagLib::String::UTF16
                                         : kind == ETagKind::Id3v2Utf16BE ? TagLib::String::UTF16BE
                                                                          : TagLib::String::UTF8;
        version = (kind == ETagKind::Id3v2Latin1 || kind == ETagKind::Id3v2Utf16) ? 3 : 4;
        auto* tag = file.ID3v2Tag(true);
        AddTextFrame(tag, "TIT2", title, enc);
        AddTextFrame(tag, "TPE1", artist, enc);
        break;
    }
    default:
        return false;
    }
    return file.save(tags, TagLib::File::StripNone,
                     version == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}
} // namespace

SPcm Sine(int rate, int channels, double seconds, double freqHz, double amplitude)
{
    SPcm pcm = Empty(rate, channels, seconds);
    for (int64_t f = 0; f < pcm.Frames(); ++f)
    {
        const int16_t s = ToSample(amplitude * std::sin(2.0 * M_PI * freqHz * double(f) / rate));
        for (int c = 0; c < channels; ++c)
            pcm.Samples[size_t(f * channels + c)] = s;
    }
    return pcm;
}

SPcm Silence(int rate, int channels, double seconds)
{
    return Empty(rate, channels, seconds);
}

SPcm Noise(int rate, int channels, double seconds, uint32_t seed, double amplitude)
{
    SPcm pcm = Empty(rate, channels, seconds);
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-amplitude, amplitude);
    for (auto& s : pcm.Samples)
        s = ToSample(dist(gen));
    return pcm;
}

SPcm StereoSines(int rate, double seconds, double leftHz, double leftAmp, double rightHz,
                 double rightAmp)
{
    SPcm pcm = Empty(rate, 2, seconds);
    for (int64_t f = 0; f < pcm.Frames(); ++f)
    {
        const double t = double(f) / rate;
        pcm.Samples[size_t(2 * f)] = ToSample(leftAmp * std::sin(2.0 * M_PI * leftHz * t));
        pcm.Samples[size_t(2 * f + 1)] = ToSample(rightAmp * std::sin(2.0 * M_PI * rightHz * t));
    }
    return pcm;
}

SPcm Scale(int rate, int channels, int firstNote, int noteCount, double noteSeconds,
           double amplitude)
{
    SPcm pcm = Empty(rate, channels, noteSeconds * noteCount);
    const int64_t framesPerNote = std::llround(noteSeconds * rate);
    double phase = 0.0; // continuous across notes: no clicks between them
    for (int64_t f = 0; f < pcm.Frames(); ++f)
    {
        const int note = firstNote + int(std::min<int64_t>(f / framesPerNote, noteCount - 1));
        phase += 2.0 * M_PI * NoteHz(note) / rate;
        const int16_t s = ToSample(amplitude * std::sin(phase));
        for (int c = 0; c < channels; ++c)
            pcm.Samples[size_t(f * channels + c)] = s;
    }
    return pcm;
}

SPcm FromFrames(int rate, int channels, const std::vector<int16_t>& interleaved)
{
    SPcm pcm;
    pcm.Rate = rate;
    pcm.Channels = channels;
    pcm.Samples = interleaved;
    return pcm;
}

SPcm NumberedFrames(double seconds)
{
    SPcm pcm = Empty(44100, 2, seconds);
    for (int64_t i = 0; i < pcm.Frames(); ++i)
    {
        pcm.Samples[size_t(2 * i)] = int16_t((i & 0x3FFF) + 1);
        pcm.Samples[size_t(2 * i + 1)] = int16_t((i >> 14) + 1);
    }
    return pcm;
}

int64_t FrameNumber(int16_t left, int16_t right)
{
    if (left < 1 || left > 0x4000 || right < 1)
        return -1;
    return (int64_t(right - 1) << 14) | (left - 1);
}

bool Write(const fs::path& path, const SPcm& pcm, EFormat format)
{
    switch (format)
    {
    case EFormat::Wav:
        return WriteWav(path, pcm);
    case EFormat::Mp3Cbr:
        return WriteMp3(path, pcm, false);
    case EFormat::Mp3VbrNoTag:
        return WriteMp3(path, pcm, true);
    case EFormat::Ogg:
        return WriteOgg(path, pcm);
    }
    return false;
}

bool WriteWav(const fs::path& path, const SPcm& pcm)
{
    SF_INFO info{};
    info.samplerate = pcm.Rate;
    info.channels = pcm.Channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
    {
        std::fprintf(stderr, "SongFactory: sf_open %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const sf_count_t written = sf_writef_short(file, pcm.Samples.data(), pcm.Frames());
    sf_close(file);
    return written == pcm.Frames();
}

bool WriteMp3(const fs::path& path, const SPcm& pcm, bool vbrWithoutTag, int kbps)
{
    if (pcm.Channels < 1 || pcm.Channels > 2)
        return false;
    lame_global_flags* gf = lame_init();
    lame_set_in_samplerate(gf, pcm.Rate);
    lame_set_out_samplerate(gf, pcm.Rate);
    lame_set_num_channels(gf, pcm.Channels);
    lame_set_mode(gf, pcm.Channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(gf, 5);
    if (vbrWithoutTag)
    {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, 4.0f);
        lame_set_bWriteVbrTag(gf, 0);
    }
    else
    {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, kbps);
        lame_set_bWriteVbrTag(gf, 1);
    }
    if (lame_init_params(gf) < 0)
    {
        std::fprintf(stderr, "SongFactory: lame refuses %d Hz, %d channels\n", pcm.Rate,
                     pcm.Channels);
        lame_close(gf);
        return false;
    }

    std::vector<unsigned char> out;
    std::vector<unsigned char> chunk(1 << 16);
    const int64_t step = 4096;
    std::vector<short> left(step), right(step);
    for (int64_t f = 0; f < pcm.Frames(); f += step)
    {
        const int n = int(std::min(step, pcm.Frames() - f));
        for (int i = 0; i < n; ++i)
        {
            left[size_t(i)] = pcm.Samples[size_t((f + i) * pcm.Channels)];
            right[size_t(i)] = pcm.Samples[size_t((f + i) * pcm.Channels + pcm.Channels - 1)];
        }
        chunk.resize(size_t(1.25 * n + 7200));
        const int got =
            lame_encode_buffer(gf, left.data(), right.data(), n, chunk.data(), int(chunk.size()));
        if (got < 0)
        {
            lame_close(gf);
            return false;
        }
        out.insert(out.end(), chunk.begin(), chunk.begin() + got);
    }
    chunk.resize(7200);
    const int tail = lame_encode_flush(gf, chunk.data(), int(chunk.size()));
    if (tail > 0)
        out.insert(out.end(), chunk.begin(), chunk.begin() + tail);
    if (!vbrWithoutTag)
    {
        // The first frame was reserved for the LAME header; it is only known at the end.
        std::vector<unsigned char> tag(8192);
        const size_t tagBytes = lame_get_lametag_frame(gf, tag.data(), tag.size());
        if (tagBytes > 0 && tagBytes <= out.size())
            std::copy(tag.begin(), tag.begin() + long(tagBytes), out.begin());
    }
    lame_close(gf);
    return WriteBytes(path, std::vector<uint8_t>(out.begin(), out.end()));
}

bool WriteOgg(const fs::path& path, const SPcm& pcm, float quality)
{
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, pcm.Channels, pcm.Rate, quality) != 0)
    {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 20240601);

    std::ofstream file(path, std::ios::binary);
    auto writePage = [&](const ogg_page& page)
    {
        file.write(reinterpret_cast<const char*>(page.header), page.header_len);
        file.write(reinterpret_cast<const char*>(page.body), page.body_len);
    };
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&os, &page))
        writePage(page);

    const int64_t step = 4096;
    int64_t f = 0;
    bool eos = false;
    while (!eos)
    {
        const int n = int(std::min(step, pcm.Frames() - f));
        if (n > 0)
        {
            float** buffer = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; ++i)
                for (int c = 0; c < pcm.Channels; ++c)
                    buffer[c][i] = pcm.Samples[size_t((f + i) * pcm.Channels + c)] / 32768.0f;
            vorbis_analysis_wrote(&vd, n);
            f += n;
        }
        else
            vorbis_analysis_wrote(&vd, 0);
        while (vorbis_analysis_blockout(&vd, &vb) == 1)
        {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet))
            {
                ogg_stream_packetin(&os, &packet);
                while (!eos && ogg_stream_pageout(&os, &page))
                {
                    writePage(page);
                    eos = ogg_page_eos(&page) != 0;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return bool(file);
}

bool WriteTags(const fs::path& path, const std::string& title, const std::string& artist,
               ETagKind kind)
{
    switch (kind)
    {
    case ETagKind::XiphComment:
    {
        TagLib::Ogg::Vorbis::File file(path.c_str(), false);
        if (!file.isValid())
            return false;
        file.tag()->setTitle(Utf8(title));
        file.tag()->setArtist(Utf8(artist));
        return file.save();
    }
    case ETagKind::WavInfo:
    {
        TagLib::RIFF::WAV::File file(path.c_str(), false);
        if (!file.isValid())
            return false;
        file.InfoTag()->setTitle(Utf8(title));
        file.InfoTag()->setArtist(Utf8(artist));
        return file.save(TagLib::RIFF::WAV::File::Info);
    }
    default:
        return WriteMpegTags(path, title, artist, kind);
    }
}

bool AddId3v2Picture(const fs::path& path, size_t pictureBytes)
{
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid())
        return false;
    const std::vector<uint8_t> data = RandomBytes(pictureBytes, 77);
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setMimeType("image/jpeg");
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setPicture(TagLib::ByteVector(reinterpret_cast<const char*>(data.data()),
                                         static_cast<unsigned int>(data.size())));
    file.ID3v2Tag(true)->addFrame(frame);
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

bool WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes)
        b = uint8_t(gen());
    return bytes;
}

bool WriteHostileFolder(const fs::path& folder)
{
    const SPcm song = Sine(44100, 2, 2.0, 440.0);
    const fs::path truncated = folder / "truncated.mp3";
    bool ok = WriteBytes(folder / "empty.mp3", {}) &&
              WriteBytes(folder / "noise.mp3", RandomBytes(100000, 5)) &&
              WriteBytes(folder / "text.ogg", std::vector<uint8_t>(5000, 'a')) &&
              WriteMp3(truncated, song, false) &&
              WriteMp3(folder / "short.mp3", Sine(44100, 2, 0.1, 440), false) &&
              fs::create_directory(folder / "song.mp3") &&
              WriteMp3(folder / "locked.mp3", song, false) &&
              WriteMp3(folder / "name\xff\xfe.mp3", song, false) &&
              WriteMp3(folder / "long title.mp3", song, false) &&
              WriteTags(folder / "long title.mp3", std::string(100000, 'T'), "Band",
                        ETagKind::Id3v2Utf8) &&
              WriteMp3(folder / "cover.mp3", song, false) &&
              AddId3v2Picture(folder / "cover.mp3", 5 << 20) &&
              WriteMp3(folder / "silence.mp3", Silence(44100, 2, 10.0), false) &&
              WriteMp3(folder / "8 kHz mono.mp3", Sine(8000, 1, 2.0, 440.0), false) &&
              WriteOgg(folder / "96 kHz.ogg", Sine(96000, 2, 2.0, 440.0)) &&
              WriteOgg(folder / "six channels.ogg", Sine(44100, 6, 2.0, 440.0)) &&
              ::mkfifo((folder / "pipe.mp3").c_str(), 0644) == 0;
    if (!ok)
        return false;
    std::error_code ec;
    fs::create_symlink("loop.mp3", folder / "loop.mp3", ec);
    if (!ec)
        fs::resize_file(truncated, fs::file_size(truncated) / 2, ec);
    if (!ec)
        fs::permissions(folder / "locked.mp3", fs::perms::none, ec);
    return !ec;
}

} // namespace SongFactory
