#include "audio/backend/decode/Reader.h"

namespace korvane::backend
{

int64_t CFileReader::Read(int16_t* out, int64_t frames)
{
    frames = std::min(frames, Length - Position);
    if (frames <= 0)
        return 0;
    const int64_t got = ReadFrames(out, frames);
    Position += got;
    return got;
}

bool CFileReader::Seek(int64_t frame)
{
    frame = std::clamp<int64_t>(frame, 0, Length);
    const int64_t at = SeekFrames(frame);
    if (at < 0)
        return false;
    Position = at;
    return at == frame;
}

} // namespace korvane::backend
