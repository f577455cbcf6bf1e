#pragma once
#include <cstdint>
#include <functional>
#include <string>

class CSharedData;

// The music browser's list logic: turns a folder or the list of mount roots into
// CSharedData::FolderItems, moves between folders on a click, and remembers the folder last
// listed in the "CurrentPath" setting. The music select scene owns one and supplies the
// hooks; a hook left empty does nothing. Main thread only.
class CFolderBrowser
{
public:
    // The shared state must outlive the browser.
    explicit CFolderBrowser(CSharedData* shared) : Shared(shared) {}
    virtual ~CFolderBrowser() = default;

    // Starts at the demo songs' folder (else the program's), then the saved folder; relists unless
    // the list survived from the battle, in which case the song that was played is opened again.
    void InitBrowser();
    // Rebuilds FolderItems: "..", sub-folders, then the songs in the groups of SongTypes, each
    // in name order; or the mount roots in the drive view. Every folder listing is saved.
    void ListFolder();
    // A click on list row index: a folder is entered, a song is handed to OpenSong;
    // an index past the end does nothing.
    void OpenItem(uint32_t index);
    // The song or folder named on the command line, once: lists its folder and selects the
    // song (with its preview). False when there was none or it does not exist (logged).
    bool OpenStartPath();
    // Takes the saved folder when it is an existing absolute directory, else keeps CurrentPath.
    void LoadCurrentPath();
    void SaveCurrentPath();

    bool DriveView = false;
    int32_t SelectedIndex = -1; // index into FolderItems of the selected song; -1 = none

    std::function<void()> ClosePreview;
    std::function<void()> RenderRows;
    std::function<void()> FreePathHeader;
    std::function<void(uint32_t)> OpenSong; // a song entry was clicked (its index)

    // What CurrentPath holds while the drive view is shown (and what the header shows).
    static constexpr const char* DriveViewCaption = "HDD Select";

private:
    void ListFolderView();
    void ListDriveView();
    void EnterFolder(const std::string& name);
    static void Call(const std::function<void()>& hook);

    CSharedData* Shared;
};
