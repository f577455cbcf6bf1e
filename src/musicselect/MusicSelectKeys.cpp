// The music browser's keys: Up, Down, PageUp, PageDown, Home, End, Enter, Backspace, Esc, Left
// and Right for the speed (as its arrows), Ctrl+R for Randomize (a letter alone finds a name)
// and type-to-find, beside the mouse.
#include "app/KeyRepeat.h"
#include "app/SharedData.h"
#include "graphics/Graphics.h"
#include "musicselect/FolderBrowser.h"
#include "musicselect/ListScroll.h"
#include "musicselect/MusicSelectScene.h"
#include "songs/FolderItem.h"

#include <algorithm>
#include <string>
#include <vector>

namespace
{
// Holding a key moves the selection every repeat; the preview starts once it rests this long.
constexpr int64_t PreviewSettleMs = 250;
constexpr int64_t PageRows = ListGeometry::Rows;
} // namespace

// The list's moving keys repeat while held; the speed does not (three speeds, and each step is
// saved).
bool CMusicSelectScene::RepeatsKey(SDLKey key) const
{
    return key != SDLK_LEFT && key != SDLK_RIGHT && CKeyRepeat::Moves(key);
}

void CMusicSelectScene::HandleKey(const SDL_keysym& key)
{
    const int64_t selected = Browser->SelectedIndex;
    // Without a selection the keys start from the first row shown.
    const int64_t from = selected >= 0 ? selected : int64_t(Shared->ScrollTop);
    const int64_t step = selected >= 0 ? 1 : 0;
    switch (key.sym)
    {
    case SDLK_UP:
        return MoveSelection(from - step);
    case SDLK_DOWN:
        return MoveSelection(from + step);
    case SDLK_PAGEUP:
        return MoveSelection(from - PageRows);
    case SDLK_PAGEDOWN:
        return MoveSelection(from + PageRows);
    case SDLK_HOME:
        return MoveSelection(0);
    case SDLK_END:
        return MoveSelection(int64_t(Shared->FolderItems.size()) - 1);
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return ChooseSelected();
    case SDLK_BACKSPACE:
        return Browser->GoUp();
    case SDLK_ESCAPE:
        BackToTitle = true;
        return;
    case SDLK_LEFT:
    case SDLK_RIGHT:
        return StepSpeed(key.sym == SDLK_RIGHT);
    case SDLK_r:
        if (key.mod & KMOD_CTRL)
            return Randomize();
        return FindTyped(key);
    default:
        return FindTyped(key);
    }
}

// The row shows selected at once; a song's preview waits until the keys rest.
void CMusicSelectScene::MoveSelection(int64_t index)
{
    const auto& items = Shared->FolderItems;
    if (items.empty())
        return;
    index = std::clamp<int64_t>(index, 0, int64_t(items.size()) - 1);
    if (index == Browser->SelectedIndex)
        return;
    Browser->SelectedIndex = int32_t(index);
    Preview.Close();
    Message.Clear();
    PreviewPending = items[size_t(index)]->GetKind() == CFolderItem::SongKind;
    SelectionMoved = true;
    Shared->ScrollTop = ListScroll::Showing(Shared->ScrollTop, uint64_t(index));
    RenderRows();
}

void CMusicSelectScene::StartSettledPreview()
{
    if (PreviewPending && NowMs - SelectionMovedAt >= PreviewSettleMs && SongSelected())
        OpenSong(uint32_t(Browser->SelectedIndex));
}

// Enter: the selected song plays, as the Play item; the selected folder opens, as its click.
void CMusicSelectScene::ChooseSelected()
{
    if (SongSelected())
        PlaySong(uint32_t(Browser->SelectedIndex));
    else if (Browser->SelectedIndex >= 0)
        Browser->OpenItem(uint32_t(Browser->SelectedIndex));
}

void CMusicSelectScene::FindTyped(const SDL_keysym& key)
{
    uint32_t character = Graphics->TypedCharacter(key);
    if (character == 0 && key.sym >= SDLK_SPACE && key.sym < SDLK_DELETE)
        character = key.sym; // a key pushed without its character
    if (character < 0x20 || character == 0x7F || (key.mod & (KMOD_CTRL | KMOD_ALT)))
        return;
    std::vector<std::string> names;
    names.reserve(Shared->FolderItems.size());
    for (const auto& item : Shared->FolderItems)
        names.push_back(item->GetDisplayName());
    const int64_t found = Finder.Type(character, NowMs, names, Browser->SelectedIndex);
    if (found >= 0)
        MoveSelection(found);
}
