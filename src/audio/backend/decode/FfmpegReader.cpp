#include "audio/backend/decode/FfmpegReader.h"

#include "audio/backend/decode/AvSamples.h"
#include "audio/backend/decode/FrameCountMemo.h"
#include "audio/backend/decode/SongFile.h"

extern "C"
{
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/intreadwrite.h>
}

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace korvane::backend
{
namespace
{
// Decoding errors in a row after which the rest of the file is taken as unreadable.
constexpr int MaxErrors = 1000;
// Kept samples are handed out, and given back, this many frames at a time.
constexpr size_t KeptPartFrames = size_t(1) << 14;

// A WMA's header object lists a content encryption object when the file is protected.
bool AsfHeaderIsProtected(int fd)
{
    static const uint8_t Encryption[2][16] = {{0xFB, 0xB3, 0x11, 0x22, 0x23, 0xBD, 0xD2, 0x11, 0xB4,
                                               0xB7, 0x00, 0xC0, 0x4F, 0xB9, 0xFD, 0xC5},
                                              {0x14, 0xE6, 0x8A, 0x29, 0x22, 0x26, 0x17, 0x4C, 0xB9,
                                               0x35, 0xDA, 0xE0, 0x7E, 0xE9, 0x28, 0x9C}};
    std::vector<uint8_t> header(1 << 20);
    const ssize_t got = ::pread(fd, header.data(), header.size(), 0);
    if (got < 30)
        return false;
    const uint64_t end = std::min<uint64_t>(uint64_t(got), AV_RL64(&header[16]));
    for (uint64_t at = 30; at + 24 <= end;)
    {
        for (const auto& guid : Encryption)
            if (std::memcmp(&header[at], guid, 16) == 0)
                return true;
        const uint64_t size = AV_RL64(&header[at + 16]);
        if (size < 24 || size > end - at)
            break;
        at += size;
    }
    return false;
}

} // namespace

CFfmpegReader::CFfmpegReader() : Packet(av_packet_alloc()), Frame(av_frame_alloc()) {}

CFfmpegReader::~CFfmpegReader()
{
    avcodec_free_context(&Codec);
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    Input.Close();
    if (Fd >= 0)
        ::close(Fd);
}

bool CFfmpegReader::Open(const std::string& path, EContainer container, uint64_t keepBytes)
{
    Container = container;
    Fd = OpenSongDescriptor(path);
    if (Fd < 0 || !Packet || !Frame || (container == EContainer::Asf && AsfHeaderIsProtected(Fd)))
        return false;
    // The first frame tells the rate and channels: an MP4's header may give those of the
    // core of HE-AAC, an ADTS stream gives none.
    if (!Start() || IsLocked() || !Start())
        return false;
    Counting = true;
    const bool decodes = DecodeNext();
    Counting = false;
    FirstFrameSamples = Decoded;
    if (!decodes || !IsUsableFormat(SampleRate, ChannelCount, 1))
        return false;
    Length = PacketFrames();
    if (Length <= 0)
        Length = CFrameCountMemo::OfThisRun().Count(Fd, [&] { return CountFrames(keepBytes); });
    // With the whole song kept, the decoder is only needed again after a seek back; it stands
    // at the end, so nothing is read past what was kept.
    return IsUsableFormat(SampleRate, ChannelCount, Length) && (!Kept.IsEmpty() || Start());
}

bool CFfmpegReader::Start()
{
    avcodec_free_context(&Codec);
    Pending.clear();
    ReadyLeft = 0;
    Position = Decoded = 0;
    Draining = false;
    if (!Input.Open(Fd, Container))
        return false;
    const AVCodec* decoder = avcodec_find_decoder(Input.Audio->codecpar->codec_id);
    Codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    if (!Codec || avcodec_parameters_to_context(Codec, Input.Audio->codecpar) < 0)
        return false;
    Codec->pkt_timebase = Input.Audio->time_base;
    Codec->thread_count = 1;
    if (avcodec_open2(Codec, decoder, nullptr) == 0)
        return true;
    avcodec_free_context(&Codec);
    return false;
}

bool CFfmpegReader::IsLocked()
{
    const AVStream* audio = Input.Audio;
    if (audio->codecpar->codec_tag == MKTAG('d', 'r', 'm', 's') ||
        av_stream_get_side_data(audio, AV_PKT_DATA_ENCRYPTION_INIT_INFO, nullptr))
        return true;
    while (av_read_frame(Input.Format, Packet) >= 0)
    {
        const bool mine = Packet->stream_index == audio->index;
        const bool locked =
            mine && av_packet_get_side_data(Packet, AV_PKT_DATA_ENCRYPTION_INFO, nullptr);
        av_packet_unref(Packet);
        if (mine)
            return locked;
    }
    return false;
}

bool CFfmpegReader::IsProtected(const std::string& path, EContainer container)
{
    CFfmpegReader reader;
    reader.Container = container;
    reader.Fd = OpenSongDescriptor(path);
    if (reader.Fd < 0)
        return false;
    if (container == EContainer::Asf)
        return AsfHeaderIsProtected(reader.Fd);
    return reader.Input.Open(reader.Fd, container) && reader.IsLocked();
}

bool CFfmpegReader::DecodeNext()
{
    Pending.clear();
    if (!Codec)
        return false;
    for (int errors = 0; errors < MaxErrors;)
    {
        const int received = avcodec_receive_frame(Codec, Frame);
        if (received == 0)
        {
            const int frames = Frame->nb_samples;
            const bool taken = Accept();
            av_frame_unref(Frame);
            if (!taken)
                return false;
            if (frames > 0)
                return true;
            continue;
        }
        if (received == AVERROR_EOF)
            return false;
        if (received != AVERROR(EAGAIN))
        {
            ++errors; // a damaged packet: the decoder goes on with the next one
            continue;
        }
        if (Draining)
            return false;
        if (av_read_frame(Input.Format, Packet) < 0)
        {
            Draining = true; // the decoder gives what it still holds
            avcodec_send_packet(Codec, nullptr);
            continue;
        }
        if (Packet->stream_index == Input.Audio->index && avcodec_send_packet(Codec, Packet) < 0)
            ++errors;
        av_packet_unref(Packet);
    }
    return false;
}

bool CFfmpegReader::Accept()
{
    if (SampleRate == 0)
    {
        SampleRate = Frame->sample_rate;
        ChannelCount = Frame->ch_layout.nb_channels;
    }
    // A stream that changes its rate or channels on the way ends there.
    if (Frame->sample_rate != SampleRate || Frame->ch_layout.nb_channels != ChannelCount)
        return false;
    Decoded += Frame->nb_samples;
    const size_t samples = size_t(Frame->nb_samples) * size_t(ChannelCount);
    if (Counting)
    {
        // Kept as a read would convert it; what cannot be converted is not kept at all.
        int16_t* keep = Kept.Extend(samples);
        if (keep && !ConvertToShort(*Frame, ChannelCount, keep))
            Kept.Clear();
        return true;
    }
    Pending.resize(samples);
    return ConvertToShort(*Frame, ChannelCount, Pending.data());
}

bool CFfmpegReader::Refill()
{
    if (Kept.Take(KeptPartFrames * size_t(ChannelCount), Ready, ReadyLeft))
        return true;
    if (!DecodeNext())
        return false;
    Ready = Pending.data();
    ReadyLeft = Pending.size();
    return true;
}

int64_t CFfmpegReader::HandOut(int16_t* out, int64_t frames)
{
    int64_t done = 0;
    while (done < frames && (ReadyLeft > 0 || Refill()))
    {
        const int64_t n = std::min(int64_t(ReadyLeft) / ChannelCount, frames - done);
        const size_t samples = size_t(n * ChannelCount);
        if (out)
            std::memcpy(out + done * ChannelCount, Ready, samples * 2);
        Ready += samples;
        ReadyLeft -= samples;
        done += n;
    }
    return done;
}

int64_t CFfmpegReader::PacketFrames()
{
    // MP4 and Ogg Opus packets carry exact durations (in the track's time base, usually the
    // rate) and the edit list's or the pre-skip's and end's trims; every ADTS frame decodes to
    // as many samples as the first.
    const bool adts = Container == EContainer::Adts;
    if (!adts && Container != EContainer::Mp4 && Container != EContainer::Opus)
        return -1;
    if (!Start())
        return -1;
    const AVRational base = Input.Audio->time_base;
    if (!adts && (base.num != 1 || base.den != SampleRate))
        return -1;
    // The decoder's own rules (libavcodec's decode.c): a skip carries on into the packets
    // after it, a discarded packet uses up skip too, the end trim only cuts within one packet.
    int64_t total = 0, skip = 0;
    while (av_read_frame(Input.Format, Packet) >= 0)
    {
        if (Packet->stream_index != Input.Audio->index)
        {
            av_packet_unref(Packet);
            continue;
        }
        int64_t frames = adts ? FirstFrameSamples : Packet->duration, endTrim = 0;
        size_t size = 0;
        const uint8_t* side = av_packet_get_side_data(Packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
        if (side && size >= 10)
        {
            skip = AV_RL32(side);
            endTrim = AV_RL32(side + 4);
        }
        const bool discard = Packet->flags & AV_PKT_FLAG_DISCARD;
        av_packet_unref(Packet);
        if (frames <= 0)
            return -1;
        const int64_t skipped = std::min(skip, frames);
        skip -= skipped;
        frames -= skipped;
        if (endTrim > 0 && endTrim <= frames)
            frames -= endTrim;
        total += discard ? 0 : frames;
    }
    return total;
}

int64_t CFfmpegReader::CountFrames(uint64_t keepBytes)
{
    if (!Start())
        return 0;
    // Not even begun for a song its header says will not fit: all of it would be dropped at
    // the limit, after costing the time and the memory.
    const AVStream* audio = Input.Audio;
    const int64_t said = audio->duration > 0 ? av_rescale_q(audio->duration, audio->time_base,
                                                            AVRational{1, SampleRate})
                                             : 0;
    if (keepBytes > 0 && said <= int64_t(keepBytes / (2 * uint64_t(ChannelCount))))
        Kept.Reserve(keepBytes);
    Counting = true;
    while (DecodeNext())
    {
    }
    Counting = false;
    return Decoded;
}

int64_t CFfmpegReader::ReadFrames(int16_t* out, int64_t frames)
{
    return HandOut(out, frames);
}

int64_t CFfmpegReader::SeekFrames(int64_t frame)
{
    if (!Codec)
        return -1;
    if (frame < Position)
    {
        Kept.Clear(); // given back as it was handed out
        if (!Start())
            return -1;
    }
    return Position + HandOut(nullptr, frame - Position);
}

} // namespace korvane::backend
