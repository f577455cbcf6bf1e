// The browser's track information: asked of a worker for the rows shown and those around them,
// taken once it is read, so no frame waits on a disk.
#include "app/SharedData.h"
#include "musicselect/FolderBrowser.h"
#include "musicselect/ListGeometry.h"
#include "musicselect/MusicSelectScene.h"
#include "platform/ReadWorker.h"
#include "songs/FolderItem.h"
#include "songs/TrackInfo.h"
#include "songs/TrackInfoCache.h"

#include <algorithm>
#include <utility>

namespace
{
// Rows read after the visible ones, below and above them in turn: a page's scroll finds them
// read.
constexpr int64_t AroundRows = 2 * ListGeometry::Rows;
} // namespace

void CMusicSelectScene::StartTrackInfo()
{
    InfoCache = CTrackInfoCache::OfThisRun();
    InfoReads =
        std::make_unique<CReadWorker>([cache = InfoCache](bool going) { cache->Save(going); });
    PreviewReads = std::make_unique<CReadWorker>();
    // Lengths a battle measured where a header said otherwise are kept for the next visits.
    std::vector<CReadWorker::SJob> corrections;
    const SHighscorePlaces places = HighscorePlaces(*Shared);
    for (const auto& item : Shared->FolderItems)
        if (std::exchange(item->LengthCorrected, false))
        {
            STrackInfoRequest request = item->TrackInfoRequest(places);
            request.MeasuredLength = item->LengthBytes;
            corrections.push_back({request.Path,
                                   [request, cache = InfoCache]() -> CReadWorker::FAnswer
                                   {
                                       RememberMeasuredLength(request, *cache);
                                       return {};
                                   },
                                   true});
        }
    InfoReads->Ask(std::move(corrections));
}

void CMusicSelectScene::AskTrackInfo()
{
    if (Browser->Listings != AskedListing)
    {
        InfoReads->Abandon();
        AskedListing = Browser->Listings;
        Asked.clear();
    }
    const auto& items = Shared->FolderItems;
    std::vector<const CFolderItem*> wanted;
    auto want = [&](int64_t index)
    {
        if (index >= 0 && index < int64_t(items.size()) && items[size_t(index)]->IsInfoPending())
            wanted.push_back(items[size_t(index)].get());
    };
    const int64_t top = Shared->ScrollTop;
    for (int64_t row = 0; row < ListGeometry::Rows; ++row)
        want(top + row);
    for (int64_t step = 1; step <= AroundRows; ++step)
    {
        want(top + ListGeometry::Rows - 1 + step);
        want(top - step);
    }
    if (wanted == Asked)
        return;
    Asked = wanted;
    std::vector<CReadWorker::SJob> jobs;
    jobs.reserve(wanted.size());
    const SHighscorePlaces places = HighscorePlaces(*Shared);
    for (const CFolderItem* item : wanted)
    {
        const STrackInfoRequest request = item->TrackInfoRequest(places);
        jobs.push_back({request.Path,
                        [this, request, cache = InfoCache]() -> CReadWorker::FAnswer
                        {
                            // On the worker: the scene is only reached by the answer, which
                            // runs on the main thread while the scene still asks.
                            STrackInfo info = ReadTrackInfo(request, cache.get(), true);
                            return [this, info] { TakeTrackInfo(info); };
                        }});
    }
    InfoReads->Ask(std::move(jobs));
}

// The row asked for is looked for where the list shows first: a long folder is searched
// whole only when it moved meanwhile.
void CMusicSelectScene::TakeTrackInfo(const STrackInfo& info)
{
    const auto& items = Shared->FolderItems;
    const size_t near = size_t(std::max<int64_t>(0, int64_t(Shared->ScrollTop) - AroundRows));
    const size_t end =
        std::min(items.size(), size_t(Shared->ScrollTop) + ListGeometry::Rows + size_t(AroundRows));
    auto take = [&](size_t from, size_t to)
    {
        for (size_t i = from; i < to; ++i)
            if (items[i]->GetPath() == info.Path)
            {
                InfoTaken = items[i]->TakeTrackInfo(info) || InfoTaken;
                return true;
            }
        return false;
    };
    if (!take(near, end))
        take(0, items.size());
}

void CMusicSelectScene::TakeAnswers()
{
    InfoTaken = false;
    InfoReads->TakeAnswers();
    PreviewReads->TakeAnswers();
    if (InfoTaken)
        RenderRows();
}
