#include "battle/rules/BattleTimeline.h"

#include "battle/rules/LaneGeometry.h"

#include <utility>

void CBattleTimeline::Start(float speed, SecondsToBytes toBytes, int64_t nowMs)
{
    ToBytes = std::move(toBytes);
    SecondsPerLine = speed / float(Lane::RowsPerSpeed);
    BytesPerLine = ToBytes(SecondsPerLine);
    Position = 0;
    CountIn = true;
    CountInBytes = ToBytes(CountInMs / 1000.0);
    CountInStart = nowMs;
    RunOut = false;
    RunOutBytes = 0;
    SongEnded = false;
    Finished = false;
}

bool CBattleTimeline::Advance(int64_t nowMs)
{
    bool startMusic = false;
    if (CountIn)
    {
        const int64_t elapsed = nowMs - CountInStart;
        if (elapsed < CountInMs)
            CountInBytes = ToBytes(double(CountInMs - elapsed) / 1000.0);
        else
        {
            CountIn = false;
            startMusic = true;
        }
    }
    if (SongEnded && !RunOut)
    {
        RunOutStart = nowMs;
        RunOut = true;
    }
    if (RunOut)
    {
        const int64_t elapsed = nowMs - RunOutStart;
        if (elapsed <= RunOutMs)
            RunOutBytes = ToBytes(double(elapsed) / 1000.0);
        else
            Finished = true;
    }
    return startMusic;
}

bool CBattleTimeline::UpdatePosition(int64_t musicPosition, bool musicPlaying)
{
    Position = musicPosition;
    if (CountIn)
        Position -= CountInBytes;
    else if (RunOut)
        Position += RunOutBytes;
    else if (!musicPlaying)
    {
        SongEnded = true;
        return false;
    }
    return true;
}
