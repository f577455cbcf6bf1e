#include "songs/TrackInfo.h"

#include "audio/backend/decode/TrackProbe.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"
#include "songs/TrackInfoCache.h"

#include <sys/stat.h>

namespace
{
// The row and the title keep the sizes the list and the highscore names were laid out for.
constexpr size_t MaxDisplayCharacters = 259;
constexpr size_t MaxTitleCharacters = 499;

// The file as the cache knows it; false when it is no file a song can be read from.
bool KeyOf(const std::string& path, STrackKey& key)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0)
        return false;
    key.Path = path;
    key.Size = int64_t(info.st_size);
    key.ModifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + int64_t(info.st_mtim.tv_nsec);
    return true;
}

STrackFacts ProbeFacts(const std::string& path, bool quick)
{
    korvane::backend::STrackTags tags;
    STrackFacts facts;
    facts.Song = korvane::backend::ProbeTrack(path, tags, quick);
    facts.Title = tags.Title;
    facts.Artist = tags.Artist;
    facts.LengthBytes = tags.LengthBytes;
    facts.FromHeader = tags.FromHeader;
    return facts;
}

// The row's text and the title from the tags; tags come from files anyone may have written:
// never trusted to be valid UTF-8.
void Compose(const STrackInfoRequest& request, const STrackFacts& facts, STrackInfo& info)
{
    const std::string title =
        LimitCharacters(Paths::DisplayableUtf8(facts.Title), MaxTitleCharacters);
    const std::string artist = Paths::DisplayableUtf8(facts.Artist);
    info.DisplayName = Paths::DisplayableUtf8(request.FileName);
    if (!title.empty() || !artist.empty())
    {
        std::string text = title.empty() ? Paths::DisplayableUtf8(request.Name) : title;
        if (!artist.empty())
            text += "[" + artist + "]";
        info.DisplayName = LimitCharacters(text, MaxDisplayCharacters);
    }
    info.Title = !title.empty()
                     ? title
                     : LimitCharacters(Paths::DisplayableUtf8(request.Name), MaxTitleCharacters);
}
} // namespace

STrackInfo ReadTrackInfo(const STrackInfoRequest& request, CTrackInfoCache* cache, bool quick)
{
    STrackInfo info;
    info.Path = request.Path;
    STrackKey key;
    if (!KeyOf(request.Path, key))
        return info;
    STrackFacts facts;
    if (!cache || !cache->Find(key, facts))
    {
        facts = ProbeFacts(request.Path, quick);
        if (cache)
            cache->Store(key, facts);
    }
    if (!facts.Song)
        return info;
    info.Song = true;
    Compose(request, facts, info);
    info.LengthBytes = facts.LengthBytes;
    info.LengthFromHeader = facts.FromHeader;
    ReadRatings(request.Places, SafeFileName(info.Title), info.LengthBytes, info.Ratings);
    return info;
}

void RememberMeasuredLength(const STrackInfoRequest& request, CTrackInfoCache& cache)
{
    STrackKey key;
    STrackFacts facts;
    if (KeyOf(request.Path, key) && cache.Find(key, facts) && facts.Song &&
        facts.LengthBytes != request.MeasuredLength)
    {
        facts.LengthBytes = request.MeasuredLength;
        facts.FromHeader = false;
        cache.Store(key, facts);
    }
}
