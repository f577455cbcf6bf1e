#include "songs/FolderItem.h"

#include "app/SharedData.h"
#include "app/Speeds.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "songs/Highscores.h"
#include "songs/TrackInfo.h"

#include <algorithm>

CFolderItem::CFolderItem(CSharedData* shared, const std::string& name, int32_t kind)
    : Kind(kind), Shared(shared), Name(name), Path("?"),
      DisplayName(Paths::DisplayableUtf8(name)), BestRatings{0, 0, 0}, InfoPending(kind == SongKind)
{
    if (kind != SongKind)
        return;
    Path = shared->CurrentPath + name;
    const size_t dot = Name.rfind('.');
    if (dot != std::string::npos)
        Name.erase(dot);
}

int32_t CFolderItem::GetBestRating() const
{
    return BestRatings[HighscoreSlot(Shared->Speed)];
}

std::string CFolderItem::MakeSafeFileName() const
{
    return SafeFileName(Title);
}

STrackInfoRequest CFolderItem::TrackInfoRequest(const SHighscorePlaces& places) const
{
    STrackInfoRequest request;
    request.Path = Path;
    request.Name = Name;
    request.FileName = Path.substr(Path.rfind('/') + 1);
    request.Places = places;
    return request;
}

bool CFolderItem::ReadTrackInfo()
{
    if (!InfoPending)
        return false;
    return TakeTrackInfo(
        ::ReadTrackInfo(TrackInfoRequest(HighscorePlaces(*Shared)), nullptr, false));
}

bool CFolderItem::TakeTrackInfo(const STrackInfo& info)
{
    if (!InfoPending || info.Path != Path)
        return false;
    InfoPending = false;
    if (!info.Song)
    {
        DebugTrace("no channel");
        return false;
    }
    Title = info.Title;
    DisplayName = info.DisplayName;
    LengthBytes = info.LengthBytes;
    LengthFromHeader = info.LengthFromHeader;
    std::copy_n(info.Ratings, 3, BestRatings);
    // A save that failed earlier is tried again now the song is shown: its file may hold more.
    const SHighscorePlaces places = HighscorePlaces(*Shared);
    if (RetrySaves(*Shared, places, MakeSafeFileName(), LengthBytes))
        ReadRatings(places, MakeSafeFileName(), LengthBytes, BestRatings);
    return true;
}

bool CFolderItem::TakeMeasuredLength(int64_t length)
{
    if (Kind != SongKind || InfoPending || length == LengthBytes)
        return false;
    Log("%s measures %lld bytes, not the %lld its header says\n", Path.c_str(),
        static_cast<long long>(length), static_cast<long long>(LengthBytes));
    LengthBytes = length;
    LengthFromHeader = false;
    LengthCorrected = true;
    std::fill_n(BestRatings, 3, 0);
    LoadHighscores(length);
    return true;
}
