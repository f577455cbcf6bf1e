#include "menus/SyncTaps.h"

#include "audio/Audio.h"

#include <algorithm>
#include <cmath>

namespace SyncTaps
{
namespace
{
double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2.0;
}
} // namespace

double DifferenceMs(int64_t heardBytes, int64_t periodBytes, double bytesPerMs)
{
    int64_t after = heardBytes % periodBytes;
    if (after < 0)
        after += periodBytes;
    if (after > periodBytes / 2)
        after -= periodBytes; // closer to the next click: the tap came early
    return double(after) / bytesPerMs;
}

SVerdict Judge(const std::vector<double>& differencesMs, int32_t currentOffsetMs)
{
    SVerdict verdict;
    verdict.ProposedMs = currentOffsetMs;
    const auto skip = std::min<size_t>(WarmUp, differencesMs.size());
    const std::vector<double> counted(differencesMs.begin() + ptrdiff_t(skip), differencesMs.end());
    const double rough = Median(counted);
    std::vector<double> good;
    for (double d : counted)
        if (std::abs(d - rough) <= OutlierMs)
            good.push_back(d);
    verdict.Good = int(good.size());
    verdict.MedianMs = Median(good);
    for (double d : good)
        verdict.SpreadMs += std::abs(d - verdict.MedianMs) / double(good.size());
    verdict.Enough = verdict.Good >= MinGood;
    if (verdict.Enough)
        verdict.ProposedMs = CAudio::ClampAudioOffset(int32_t(std::clamp<int64_t>(
            currentOffsetMs + std::llround(verdict.MedianMs), INT32_MIN, INT32_MAX)));
    return verdict;
}
} // namespace SyncTaps
