#include "audio/backend/reads/AnalysisFeed.h"

#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/decode/ResampleReader.h"

namespace korvane::backend
{
namespace
{
constexpr int HighestAnalysisRate = 48000;
constexpr int CdRate = 44100;
// A song whose length only a whole decode tells may keep that much of it for the analysis'
// reading instead of decoding it twice; a longer one is decoded again, within the same memory.
constexpr uint64_t KeepBytes = 24ull << 20;
} // namespace

int CAnalysisFeed::AnalysisRate(int songRate)
{
    if (songRate <= HighestAnalysisRate)
        return songRate;
    return songRate % CdRate == 0 ? CdRate : HighestAnalysisRate;
}

std::unique_ptr<CAnalysisFeed> CAnalysisFeed::Open(const std::string& path)
{
    std::unique_ptr<CReader> reader = OpenReader(path, KeepBytes);
    if (!reader)
        return nullptr;
    std::unique_ptr<CAnalysisFeed> feed(new CAnalysisFeed());
    feed->SongRateHz = reader->Rate();
    feed->ChannelCount = reader->Channels();
    feed->SongFrames = reader->Frames();
    feed->AnalysisRateHz = AnalysisRate(feed->SongRateHz);
    feed->AnalysisFrames = feed->SongFrames;
    if (feed->AnalysisRateHz != feed->SongRateHz)
    {
        auto resampler = std::make_unique<CResampleReader>(std::move(reader), feed->AnalysisRateHz);
        if (!resampler->Create())
            return nullptr;
        reader = std::move(resampler);
        feed->AnalysisFrames =
            feed->SongFrames / feed->SongRateHz * feed->AnalysisRateHz +
            feed->SongFrames % feed->SongRateHz * feed->AnalysisRateHz / feed->SongRateHz;
    }
    feed->Ahead = std::make_unique<CDecodeAhead>(std::move(reader), feed->AnalysisFrames);
    if (!feed->Ahead->Start())
        return nullptr;
    return feed;
}

int64_t CAnalysisFeed::StreamBytes(int64_t frame) const
{
    // In two parts, so that an hour at 192 kHz cannot overflow.
    const int64_t songFrame =
        frame / AnalysisRateHz * SongRateHz + frame % AnalysisRateHz * SongRateHz / AnalysisRateHz;
    return songFrame * BytesPerFrame();
}

} // namespace korvane::backend
