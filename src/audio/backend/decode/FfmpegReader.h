#pragma once
#include "audio/backend/decode/AvInput.h"
#include "audio/backend/decode/PcmSpool.h"
#include "audio/backend/decode/Reader.h"

#include <string>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace korvane::backend
{

// MP4/M4A (AAC, ALAC), ADTS AAC, WMA and the Opus the Opus library refuses, through FFmpeg's
// demuxers and decoders: the first audio stream only, samples converted to 16 bits as
// `ffmpeg -f s16le` converts them. An MP4's or an Opus's length comes from its packet
// durations and trims (edit list and encoder delay, pre-skip and end granule), so the encoder's
// padding at the end is not played; an ADTS stream's from its frame count. A WMA does not
// say: it is decoded once to count, and the count is remembered (CFrameCountMemo) for the rest of
// the run, so only the first of the song's opens pays for it. An open that will read the song
// through may keep what the count decoded, up to `keepBytes`, and hand it out so that it is not
// decoded twice. Seeks decode from the start, or on from the position, up to the frame, so the
// PCM after a seek is exactly that of one decode.
class CFfmpegReader final : public CFileReader
{
public:
    CFfmpegReader();
    ~CFfmpegReader() override;
    bool Open(const std::string& path, EContainer container, uint64_t keepBytes = 0);

    // The song's audio is locked to another player: FairPlay or encrypted MP4 samples, or a
    // WMA with a content encryption object. Such files are refused.
    static bool IsProtected(const std::string& path, EContainer container);

private:
    int64_t ReadFrames(int16_t* out, int64_t frames) override;
    int64_t SeekFrames(int64_t frame) override;

    bool Start();      // demuxer and decoder at frame 0, nothing decoded
    bool DecodeNext(); // the next decoded frame into Pending; false at the end
    bool Accept();     // takes Frame: checks its format, counts or converts it
    bool Refill();     // Ready from what the count kept, else from the next frame
    // Up to `frames` frames into `out`, or passed over without it, from Position.
    int64_t HandOut(int16_t* out, int64_t frames);
    int64_t CountFrames(uint64_t keepBytes); // what the decoder gives for the whole file
    int64_t PacketFrames();                  // from the packets alone; -1 when they do not say
    bool IsLocked();                         // the demuxed stream's samples are encrypted

    int Fd = -1; // owned
    EContainer Container = EContainer::Unknown;
    CAvInput Input;
    AVCodecContext* Codec = nullptr;
    AVPacket* Packet = nullptr;
    AVFrame* Frame = nullptr;
    int64_t Decoded = 0; // frames decoded since Start
    int64_t FirstFrameSamples = 0;
    bool Counting = false;
    bool Draining = false;
    std::vector<int16_t> Pending;
    CPcmSpool Kept;                 // what the count decoded, for the reads from frame 0
    const int16_t* Ready = nullptr; // samples not yet handed out, in Pending or Kept
    size_t ReadyLeft = 0;
};

} // namespace korvane::backend
