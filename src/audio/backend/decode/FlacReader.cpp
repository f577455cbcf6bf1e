#include "audio/backend/decode/FlacReader.h"

#include "audio/backend/decode/SongFile.h"

#include <algorithm>
#include <cstring>

namespace korvane::backend
{
namespace
{
// Damage loses a few frames; a frame claiming to start further on than this has a number we
// do not believe, and simply follows the one before.
constexpr int64_t MaxGapFrames = int64_t(1) << 20;

void IgnoreError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}
} // namespace

CFlacReader::~CFlacReader()
{
    if (Decoder)
        FLAC__stream_decoder_delete(Decoder); // closes the file
}

bool CFlacReader::Open(const std::string& path)
{
    std::FILE* file = OpenSongStream(path);
    if (!file)
        return false;
    Decoder = FLAC__stream_decoder_new();
    if (!Decoder)
    {
        std::fclose(file);
        return false;
    }
    // From here on the decoder owns the file, also when its set-up fails.
    if (FLAC__stream_decoder_init_FILE(Decoder, file, OnWrite, OnMetadata, IgnoreError, this) !=
            FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(Decoder) ||
        !IsUsableFormat(SampleRate, ChannelCount, 1))
        return false;
    const int64_t most = INT64_MAX / (2 * ChannelCount);
    bool trusted = false;
    if (StreamInfoFrames > 0 && StreamInfoFrames <= uint64_t(most))
    {
        Length = int64_t(StreamInfoFrames);
        trusted = FindsFrame(Length - 1);
    }
    if (!trusted)
        Length = CountFrames();
    return IsUsableFormat(SampleRate, ChannelCount, Length) && Rewind();
}

FLAC__StreamDecoderWriteStatus CFlacReader::OnWrite(const FLAC__StreamDecoder*,
                                                    const FLAC__Frame* frame,
                                                    const FLAC__int32* const channels[], void* self)
{
    static_cast<CFlacReader*>(self)->Append(*frame, channels);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void CFlacReader::OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block,
                             void* self)
{
    if (block->type != FLAC__METADATA_TYPE_STREAMINFO)
        return;
    auto* reader = static_cast<CFlacReader*>(self);
    reader->SampleRate = int(block->data.stream_info.sample_rate);
    reader->ChannelCount = int(block->data.stream_info.channels);
    reader->StreamInfoFrames = block->data.stream_info.total_samples;
}

void CFlacReader::Append(const FLAC__Frame& frame, const FLAC__int32* const channels[])
{
    if (int(frame.header.channels) != ChannelCount)
        return; // a frame that does not fit the stream counts as lost
    const int64_t start = int64_t(frame.header.number.sample_number);
    const int64_t blockFrames = int64_t(frame.header.blocksize);
    int64_t skip = 0;
    if (start > Decoded && start - Decoded <= MaxGapFrames)
    {
        const int64_t gap =
            Counting ? start - Decoded : std::min(start - Decoded, Length - Decoded);
        Silence += Counting ? 0 : gap;
        Decoded += gap;
    }
    else if (start < Decoded && Decoded - start < blockFrames)
        skip = Decoded - start;
    const int64_t count =
        Counting ? blockFrames - skip : std::min(blockFrames - skip, Length - Decoded);
    if (count <= 0)
        return;
    Decoded += count;
    if (Counting)
        return;
    const int bits = int(frame.header.bits_per_sample);
    const size_t first = Pending.size();
    Pending.resize(first + size_t(count) * size_t(ChannelCount));
    int16_t* out = Pending.data() + first;
    for (int c = 0; c < ChannelCount; ++c)
    {
        const FLAC__int32* in = channels[c] + skip;
        int16_t* to = out + c;
        if (bits >= 16)
            for (int64_t i = 0; i < count; ++i, to += ChannelCount)
                *to = int16_t(in[i] >> (bits - 16));
        else
            for (int64_t i = 0; i < count; ++i, to += ChannelCount)
                *to = int16_t(in[i] * (1 << (16 - bits)));
    }
}

bool CFlacReader::Rewind()
{
    Pending.clear();
    PendingOffset = 0;
    Silence = Decoded = Position = 0;
    return FLAC__stream_decoder_reset(Decoder) &&
           FLAC__stream_decoder_process_until_end_of_metadata(Decoder);
}

bool CFlacReader::DecodeNext()
{
    Pending.clear();
    PendingOffset = 0;
    while (Pending.empty() && Silence == 0)
    {
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(Decoder);
        if (state >= FLAC__STREAM_DECODER_END_OF_STREAM ||
            !FLAC__stream_decoder_process_single(Decoder))
            return false;
    }
    return true;
}

int64_t CFlacReader::CountFrames()
{
    if (!Rewind())
        return 0;
    Counting = true;
    const bool ok = FLAC__stream_decoder_process_until_end_of_stream(Decoder);
    Counting = false;
    return ok ? Decoded : 0;
}

bool CFlacReader::FindsFrame(int64_t frame)
{
    Pending.clear();
    PendingOffset = 0;
    Silence = 0;
    Decoded = frame;
    return FLAC__stream_decoder_seek_absolute(Decoder, FLAC__uint64(frame)) && !Pending.empty();
}

int64_t CFlacReader::ReadFrames(int16_t* out, int64_t frames)
{
    int64_t done = 0;
    while (done < frames)
    {
        const size_t ready = (Pending.size() - PendingOffset) / size_t(ChannelCount);
        if (Silence > 0)
        {
            const int64_t n = std::min(Silence, frames - done);
            std::memset(out + done * ChannelCount, 0, size_t(n * ChannelCount) * 2);
            Silence -= n;
            done += n;
        }
        else if (ready > 0)
        {
            const int64_t n = std::min(int64_t(ready), frames - done);
            std::memcpy(out + done * ChannelCount, Pending.data() + PendingOffset,
                        size_t(n * ChannelCount) * 2);
            PendingOffset += size_t(n * ChannelCount);
            done += n;
        }
        else if (!DecodeNext())
            break;
    }
    return done;
}

int64_t CFlacReader::SeekFrames(int64_t frame)
{
    if (!Decoder)
        return -1;
    if (frame == Length)
    {
        Pending.clear();
        Silence = 0;
        Decoded = Length; // nothing is left to read
        return Length;
    }
    if (FindsFrame(frame))
        return frame;
    // A file libFLAC cannot seek in is decoded from the start up to the frame.
    return Rewind() && DiscardFrames(*this, frame) ? frame : -1;
}

} // namespace korvane::backend
