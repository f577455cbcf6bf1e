#include "musicselect/FolderItem.h"

#include "audio/backend/decode/TrackProbe.h"
#include "musicselect/Utf8Text.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace
{
// The row and the title keep the sizes the list and the highscore names were laid out for.
constexpr size_t MaxDisplayCharacters = 259;
constexpr size_t MaxTitleCharacters = 499;
} // namespace

bool CFolderItem::ReadTrackInfo()
{
    if (!InfoPending)
        return false;
    InfoPending = false;

    korvane::backend::STrackTags tags;
    if (!korvane::backend::ProbeTrack(Path, tags))
    {
        DebugTrace("no channel");
        return false;
    }

    // Tags come from files anyone may have written: never trust them to be valid UTF-8.
    const std::string title =
        LimitCharacters(Paths::DisplayableUtf8(tags.Title), MaxTitleCharacters);
    const std::string artist = Paths::DisplayableUtf8(tags.Artist);
    Title = title;
    if (!title.empty() || !artist.empty())
    {
        std::string text = title.empty() ? Paths::DisplayableUtf8(Name) : title;
        if (!artist.empty())
            text += "[" + artist + "]";
        DisplayName = LimitCharacters(text, MaxDisplayCharacters);
    }
    if (Title.empty())
        Title = LimitCharacters(Paths::DisplayableUtf8(Name), MaxTitleCharacters);

    LengthBytes = tags.LengthBytes;
    LoadHighscores(tags.LengthBytes);
    return true;
}
