#include "musicselect/FolderItem.h"

#include "app/SharedData.h"
#include "app/Speeds.h"
#include "platform/Paths.h"

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
    static const std::string Refused("/\\:*?\"<>|", 9);
    std::string safe = Title;
    for (char& c : safe)
        if (c == '\0' || Refused.find(c) != std::string::npos)
            c = '_';
    return safe;
}
