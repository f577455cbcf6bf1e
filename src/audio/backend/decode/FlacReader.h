#pragma once
#include "audio/backend/decode/Reader.h"

#include <FLAC/stream_decoder.h>

#include <string>
#include <vector>

namespace korvane::backend
{

// FLAC through libFLAC, any bit depth to 16 bits the way the other readers do it (shifted, not
// rounded). The length is STREAMINFO's once its last sample has been found in the file; a
// file that does not say, or says more than it holds, is decoded once to count. A frame lost
// to damage plays as silence, so every later sample keeps its place and the length holds.
class CFlacReader final : public CFileReader
{
public:
    CFlacReader() = default;
    ~CFlacReader() override;
    bool Open(const std::string& path);

private:
    int64_t ReadFrames(int16_t* out, int64_t frames) override;
    int64_t SeekFrames(int64_t frame) override;

    static FLAC__StreamDecoderWriteStatus OnWrite(const FLAC__StreamDecoder*,
                                                  const FLAC__Frame* frame,
                                                  const FLAC__int32* const channels[], void* self);
    static void OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block,
                           void* self);
    void Append(const FLAC__Frame& frame, const FLAC__int32* const channels[]);
    bool Rewind();                  // back to frame 0 with nothing decoded
    bool DecodeNext();              // one more frame into Pending; false at the end
    int64_t CountFrames();          // decodes the whole file; the frame after the last one found
    bool FindsFrame(int64_t frame); // a sample-exact seek there succeeds

    FLAC__StreamDecoder* Decoder = nullptr;
    uint64_t StreamInfoFrames = 0;
    int64_t Decoded = 0;   // where the next decoded frame is due
    int64_t Silence = 0;   // frames of silence owed before Pending
    bool Counting = false; // frames are only counted, into Decoded
    std::vector<int16_t> Pending;
    size_t PendingOffset = 0; // samples of Pending already handed out
};

} // namespace korvane::backend
