#include "musicselect/SongShuffle.h"

#include "platform/Random.h"
#include "songs/FolderItem.h"

void ShuffleSongs(std::vector<std::unique_ptr<CFolderItem>>& items, CRandom& random)
{
    std::vector<std::unique_ptr<CFolderItem>> pile;
    while (!items.empty() && items.back()->GetKind() == CFolderItem::SongKind)
    {
        pile.push_back(std::move(items.back()));
        items.pop_back();
    }
    while (!pile.empty())
    {
        const size_t k = static_cast<size_t>(random.Next()) % pile.size();
        items.push_back(std::move(pile[k]));
        pile.erase(pile.begin() + static_cast<std::ptrdiff_t>(k));
    }
}
