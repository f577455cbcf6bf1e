#include "battle/rules/LaneTrack.h"

#include <iterator>

void CLaneTrack::Start(const CAudioMap& map)
{
    Map = &map;
    const size_t count = map.GetSamples().size();
    Caught.assign(count, 0);
    Touched.assign(count, 0);
    ResetCursor();
}

void CLaneTrack::ResetCursor()
{
    if (Map)
        Cursor = Map->GetSamples().begin();
    CursorIndex = 0;
}

CLaneTrack::SEntry CLaneTrack::FindSample(int64_t position) const
{
    if (!Map || position < 0 || Cursor == Map->GetSamples().end())
        return {};
    SampleIt it = Cursor;
    size_t index = CursorIndex;
    for (;;)
    {
        const SampleIt next = std::next(it);
        if (next == Map->GetSamples().end() || position <= (*next)->GetPosition())
            return {it->get(), index};
        it = next;
        ++index;
    }
}

int32_t CLaneTrack::CountPassedWeapons(int64_t position, int32_t* note)
{
    int32_t count = 0;
    *note = 0;
    if (!Map || Cursor == Map->GetSamples().end())
        return 0;
    for (;;)
    {
        const SampleIt next = std::next(Cursor);
        if (next == Map->GetSamples().end() || position <= (*next)->GetPosition())
            return count;
        const CSample& s = **Cursor;
        if (s.GetKind() != SampleKind::None && !Caught[CursorIndex])
        {
            ++count;
            *note = s.GetDominant();
        }
        Cursor = next;
        ++CursorIndex;
    }
}
