#pragma once
#include "audio/backend/decode/Reader.h"
#include "audio/backend/output/OutputFormat.h"

#include <vector>

namespace korvane::backend
{

// A metronome made on the fly, at the output's own format (OutputRate, stereo): a short
// percussive tick every PeriodFrames frames, the first one a whole period in, silence between
// (exact zeros, so the onset of each tick is a clear frame). Nothing is read from disk.
class CClickTrack final : public CFileReader
{
public:
    CClickTrack(int64_t periodFrames, int64_t clicks); // ends a period after the last click

private:
    int64_t ReadFrames(int16_t* out, int64_t frames) override;
    int64_t SeekFrames(int64_t frame) override { return frame; }

    int64_t Period;
    std::vector<int16_t> Tick; // one channel's samples of a tick
};

} // namespace korvane::backend
