#include "battle/SongQueue.h"

#include "app/SharedData.h"
#include "songs/FolderItem.h"

CFolderItem* CSongQueue::Current() const
{
    if (!Shared || Shared->SelectedItem >= Shared->FolderItems.size())
        return nullptr;
    CFolderItem* item = Shared->FolderItems[Shared->SelectedItem].get();
    return item->GetKind() == CFolderItem::SongKind ? item : nullptr;
}

bool CSongQueue::Advance(EAsked asked)
{
    uint32_t& selected = Shared->SelectedItem;
    const auto count = uint32_t(Shared->FolderItems.size());
    if (asked == EAsked::Next)
    {
        selected = selected + 1 < count ? selected + 1 : Shared->FirstSongItem;
        return true;
    }
    if (asked == EAsked::Previous)
    {
        selected = selected > Shared->FirstSongItem ? selected - 1 : count - 1;
        return true;
    }
    if (asked == EAsked::Back)
        return false;
    if (Shared->PlayContinuous && selected + 1 < count)
    {
        ++selected;
        return true;
    }
    return false;
}
