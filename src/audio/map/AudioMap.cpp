#include "audio/map/AudioMap.h"

#include "platform/Log.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace
{
constexpr int32_t LowestWeaponNote = FirstWeaponNote;
constexpr int32_t HighestWeaponNote = LastWeaponNote;
constexpr int32_t OutlierWindow = 20;
constexpr int32_t MinIntensityPercent = 90;
} // namespace

CAudioMap::~CAudioMap()
{
    Clear();
}

void CAudioMap::Clear()
{
    Samples.clear();
    WeaponCount = 0;
    std::fill(std::begin(Histogram), std::end(Histogram), 0);
}

void CAudioMap::AddSample(CSample* sample)
{
    int32_t low = LowestWeaponNote;
    if (!Samples.empty())
        low = std::clamp(Samples.back()->GetDominant() - 6, LowestWeaponNote, 48);
    sample->FindDominant(low, HighestWeaponNote);
    Samples.emplace_back(sample);
}

void CAudioMap::Lay(const std::vector<SStretch>& stretches)
{
    Clear();
    for (const SStretch& stretch : stretches)
    {
        auto* sample = new CSample();
        sample->SetPosition(stretch.Position);
        sample->SetDominant(stretch.Note);
        sample->SetActive(stretch.Note != 0);
        Samples.emplace_back(sample);
    }
    ClassifyKinds();
}

void CAudioMap::SilenceLastSample()
{
    if (!Samples.empty())
        Samples.back()->ClearLevels();
}

void CAudioMap::SmoothNotes()
{
    if (Samples.size() < 3)
        return;
    auto a = Samples.begin();
    auto b = std::next(a);
    for (auto c = std::next(b); c != Samples.end(); ++a, ++b, ++c)
        (*b)->StabilizeNote(**a);
}

void CAudioMap::CorrectOutliers()
{
    const CSample* before = nullptr; // the sample just before the current one, as corrected
    auto windowStart = Samples.begin();
    while (windowStart != Samples.end())
    {
        auto windowEnd = windowStart;
        int32_t count = 0;
        int32_t sum = 0;
        for (; windowEnd != Samples.end() && count < OutlierWindow; ++windowEnd, ++count)
            sum += (*windowEnd)->GetDominant();
        const int32_t avg = sum / count;

        for (auto it = windowStart; it != windowEnd; ++it)
        {
            CSample& s = **it;
            if (std::abs(s.GetDominant() - avg) > 12)
            {
                int32_t low = std::max(avg - 12, LowestWeaponNote);
                const int32_t high = std::min(avg + 12, HighestWeaponNote);
                if (low < 48 && before)
                    low = std::max(low, before->GetDominant() - 6);
                // low may end above high after a high previous note; FindDominant then
                // settles on low, which is still a valid note.
                s.FindDominant(low, high);
            }
            before = &s;
        }
        windowStart = windowEnd;
    }
}

void CAudioMap::CountIntensity(int32_t level)
{
    for (int32_t i = 0; i < 100; ++i)
        if (10.0 * i <= level)
            ++Histogram[i];
}

void CAudioMap::BuildIntensityHistogram()
{
    std::fill(std::begin(Histogram), std::end(Histogram), 0);
    for (const auto& sample : Samples)
        CountIntensity(sample->GetDominantLevel());
}

int32_t CAudioMap::FindMinIntensity(int32_t percent) const
{
    if (Histogram[0] == 0)
        return 10;
    for (int32_t i = 99; i >= 1; --i)
        if (Histogram[i] * 100 / Histogram[0] >= percent)
            return 10 * i;
    return 10;
}

void CAudioMap::FoldOctaves()
{
    BuildIntensityHistogram();
    MinIntensity = FindMinIntensity(MinIntensityPercent);
    Log("Min intensity = %d\n", MinIntensity);

    const auto loud = [this](const CSample& s) { return s.GetDominantLevel() >= MinIntensity; };
    for (auto it = Samples.begin(); it != Samples.end(); ++it)
    {
        CSample& cur = **it;
        if (!loud(cur))
            continue;

        auto p = it;
        if (p != Samples.begin())
        {
            --p;
            while (p != Samples.begin() && !loud(**p))
                --p;
        }
        auto n = std::next(it);
        while (n != Samples.end() && !loud(**n))
            ++n;
        if (n == Samples.end())
            continue;

        const int32_t prevNote = (*p)->GetDominant();
        const int32_t nextNote = (*n)->GetDominant();
        int32_t note = cur.GetDominant();
        const int32_t level = cur.GetLevel(note);
        if (note > prevNote)
        {
            const int32_t bound = note > nextNote ? std::max(prevNote, nextNote) : prevNote;
            while (note - bound > 12)
                note -= 12;
        }
        else if (note < prevNote)
        {
            const int32_t bound = note < nextNote ? std::min(prevNote, nextNote) : prevNote;
            while (bound - note > 12)
                note += 12;
        }
        else
            continue;
        cur.SetDominant(note);
        cur.SetLevel(note, level);
    }
}

void CAudioMap::ClassifyWeapons()
{
    for (auto& sample : Samples)
        sample->SetActive(sample->GetDominantLevel() >= MinIntensity);
    ClassifyKinds();
}

void CAudioMap::ClassifyKinds()
{
    WeaponCount = 0;
    for (auto it = Samples.begin(); it != Samples.end(); ++it)
    {
        const CSample* prev = it == Samples.begin() ? nullptr : std::prev(it)->get();
        const auto nextIt = std::next(it);
        const CSample* next = nextIt == Samples.end() ? nullptr : nextIt->get();
        (*it)->ClassifyKind(prev, next);
        if ((*it)->GetKind() != SampleKind::None)
            ++WeaponCount;
    }
}
