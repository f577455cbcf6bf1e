#include "musicselect/FolderBrowser.h"

#include "app/SharedData.h"
#include "musicselect/HiddenNames.h"
#include "musicselect/ListScroll.h"
#include "musicselect/NameOrder.h"
#include "musicselect/SongTypes.h"
#include "platform/AppPath.h"
#include "platform/BrowseRoots.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "songs/FolderItem.h"
#include "songs/Highscores.h"

#include <filesystem>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using Paths::WithSlash;

namespace
{

// True when a song lies in the folder or a few levels below it; gives up after a bounded
// number of names, so a huge tree cannot delay the start.
bool HoldsSongs(const std::string& folder)
{
    constexpr int MaxDepth = 3;
    constexpr int MaxNames = 2000;
    std::error_code ec;
    int names = 0;
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end && names < MaxNames; it.increment(ec), ++names)
    {
        if (SongTypes::Group(it->path().filename().string()) >= 0)
            return true;
        if (it.depth() >= MaxDepth - 1)
            it.disable_recursion_pending();
    }
    return false;
}

bool IsRoot(const std::string& path)
{
    return path == "/";
}

// Where the browser starts unless a saved folder exists: on the first start the player's
// Music folder when it holds songs, else music/ beside the game's data, so a fresh
// installation can be played at once.
std::string StartFolder(bool firstStart, const std::string& fallback)
{
    const std::string music = firstStart ? BrowseRoots::MusicFolder() : std::string();
    if (!music.empty() && HoldsSongs(music))
        return music;
    const std::string folder = BuildAppPath("music/");
    std::error_code ec;
    return fs::is_directory(folder, ec) ? folder : fallback;
}
} // namespace

void CFolderBrowser::Call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

void CFolderBrowser::InitBrowser()
{
    DriveView = false;
    Shared->ProgramFolder = Paths::ProgramFolder();
    const bool firstStart = Settings::CurrentPath().empty();
    Shared->CurrentPath = StartFolder(firstStart, Shared->ProgramFolder);
    LoadCurrentPath();
    if (Shared->FolderItems.empty())
    {
        if (!OpenStartPath())
            ListFolder();
        return;
    }
    ShareRatings(Shared->FolderItems);
    OpenItem(Shared->SelectedItem);
    Call(RenderRows);
}

bool CFolderBrowser::OpenStartPath()
{
    const std::string start = std::exchange(Shared->StartPath, std::string());
    if (start.empty())
        return false;
    std::error_code ec;
    const fs::path path(start);
    const bool folder = fs::is_directory(path, ec);
    if (!folder && !fs::exists(fs::symlink_status(path, ec)))
    {
        Log("No song or folder at %s\n", start.c_str());
        return false;
    }
    DriveView = false;
    Shared->CurrentPath = WithSlash(folder ? path.string() : path.parent_path().string());
    ListFolder();
    if (folder)
        return true;
    const auto& items = Shared->FolderItems;
    for (uint32_t i = Shared->FirstSongItem; i < items.size(); ++i)
        if (items[i]->GetPath() == Shared->CurrentPath + path.filename().string())
        {
            Shared->ScrollTop = ListScroll::Showing(Shared->ScrollTop, i);
            OpenItem(i);
            return true;
        }
    Log("%s is not a song the game plays; showing its folder\n", start.c_str());
    return true;
}

void CFolderBrowser::ListFolder()
{
    Call(ClosePreview);
    SelectedIndex = -1;
    ++Listings;
    Shared->ClearFolderItems();
    if (DriveView)
        ListDriveView();
    else
        ListFolderView();
}

void CFolderBrowser::ListFolderView()
{
    auto& items = Shared->FolderItems;
    items.push_back(std::make_unique<CFolderItem>(Shared, "..", CFolderItem::FolderKind));

    // Linux file systems hand names out in hash order: each group is put in name order.
    std::vector<std::string> folders, songs[SongTypes::GroupCount];
    const CHiddenNames hidden(Shared->CurrentPath);
    std::error_code ec;
    fs::directory_iterator it(Shared->CurrentPath, ec);
    const std::error_code opened = ec;
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec))
    {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        // Follows links, as a test on the full path would; a song-named folder is both.
        if (it->is_directory(typeError) && name != "." && name != ".." && !hidden.Hides(name))
            folders.push_back(name);
        if (const int group = SongTypes::Group(name); group >= 0 && !hidden.Hides(name))
            songs[group].push_back(name);
    }

    SortNames(folders);
    for (const std::string& name : folders)
        items.push_back(std::make_unique<CFolderItem>(Shared, name, CFolderItem::FolderKind));
    Shared->ScrollTop = 0;
    Shared->FirstSongItem = static_cast<uint32_t>(items.size());
    for (std::vector<std::string>& group : songs)
    {
        SortNames(group);
        for (const std::string& name : group)
            items.push_back(std::make_unique<CFolderItem>(Shared, name, CFolderItem::SongKind));
    }
    Call(RenderRows);
    if (!opened)
        SaveCurrentPath();
    else if (opened == std::errc::permission_denied || opened == std::errc::operation_not_permitted)
        Call(FolderLocked);
}

void CFolderBrowser::ListDriveView()
{
    for (const BrowseRoots::SRoot& root : BrowseRoots::List())
    {
        auto item = std::make_unique<CFolderItem>(Shared, root.Path, CFolderItem::FolderKind);
        item->DisplayName = Paths::DisplayableUtf8(root.Label);
        Shared->FolderItems.push_back(std::move(item));
    }
    Shared->ScrollTop = 0;
    Call(RenderRows);
}

void CFolderBrowser::OpenItem(uint32_t index)
{
    if (index >= Shared->FolderItems.size())
        return;
    const CFolderItem& item = *Shared->FolderItems[index];
    if (item.GetKind() == CFolderItem::SongKind)
    {
        if (OpenSong)
            OpenSong(index);
        return;
    }
    Call(FreePathHeader);
    const std::string left = Shared->CurrentPath;
    const std::string name = item.GetName(); // the listing deletes the entry
    EnterFolder(name);
    ListFolder();
    if (name == "..")
        SelectFolderLeft(left);
}

void CFolderBrowser::GoUp()
{
    const auto& items = Shared->FolderItems;
    if (!DriveView && !items.empty() && items[0]->GetName() == "..")
        OpenItem(0);
}

void CFolderBrowser::SelectFolderLeft(const std::string& left)
{
    // A drive view row is named by its root; a folder row by the last part of the path.
    const std::string wanted = DriveView ? left : fs::path(left).parent_path().filename().string();
    const auto& items = Shared->FolderItems;
    for (uint32_t i = 0; i < items.size(); ++i)
        if (items[i]->GetKind() == CFolderItem::FolderKind && items[i]->GetName() == wanted)
        {
            SelectedIndex = int32_t(i);
            Shared->ScrollTop = ListScroll::Showing(Shared->ScrollTop, i);
            Call(RenderRows);
            return;
        }
}

void CFolderBrowser::EnterFolder(const std::string& name)
{
    std::string& current = Shared->CurrentPath;
    if (DriveView)
    {
        current = WithSlash(name);
        DriveView = false;
        return;
    }
    if (IsRoot(current) && name == "..")
    {
        current = DriveViewCaption;
        DriveView = true;
        return;
    }
    // Lexical resolution: a link followed into a folder is left the way it came in.
    const std::string resolved = fs::path(current + name).lexically_normal().string();
    current = IsRoot(resolved) ? resolved : WithSlash(resolved);
}

void CFolderBrowser::LoadCurrentPath()
{
    const std::string saved = Settings::CurrentPath();
    std::error_code ec;
    if (!saved.empty() && saved.front() == '/' && fs::is_directory(saved, ec) &&
        access(saved.c_str(), R_OK | X_OK) == 0)
        Shared->CurrentPath = WithSlash(saved);
}

void CFolderBrowser::SaveCurrentPath()
{
    Settings::SetCurrentPath(Shared->CurrentPath);
}
