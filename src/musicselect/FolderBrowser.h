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

    // Starts at the saved folder; without one, at the Music folder when it holds songs, else at
    // the demo songs' folder (else the program's). Relists unless the list survived from the
    // battle, in which case the song that was played is opened again.
    void InitBrowser();
    // Rebuilds FolderItems: "..", sub-folders (not the hidden ones), then the songs in the
    // groups of SongTypes, each in name order; or the drive view's places (Music, Home, mount
    // points). A folder listed is saved as the one to start in; one that cannot be read lists
    // ".." alone and is not saved (FolderLocked tells when the player may not open it).
    void ListFolder();
    // A click on list row index: a folder is entered, a song is handed to OpenSong;
    // an index past the end does nothing. Going up selects the folder left (no preview).
    void OpenItem(uint32_t index);
    // Up one level, as a click on "..": nothing in the drive view.
    void GoUp();
    // The song or folder named on the command line, once: lists its folder and selects the
    // song (with its preview). False when there was none or it does not exist (logged).
    bool OpenStartPath();
    // Takes the saved folder when it is an existing absolute directory the player may open, else
    // keeps CurrentPath.
    void LoadCurrentPath();
    void SaveCurrentPath();

    bool DriveView = false;
    uint64_t Listings = 0; // one more at every listing of FolderItems
    // Index into FolderItems of the selected row, -1 = none: a song is previewed and can be
    // played; a folder is only shown selected (after "..", or moved to by keys).
    int32_t SelectedIndex = -1;

    std::function<void()> ClosePreview;
    std::function<void()> RenderRows;
    std::function<void()> FreePathHeader;
    std::function<void(uint32_t)> OpenSong; // a song entry was clicked (its index)
    std::function<void()> FolderLocked;     // the folder listed may not be opened by the player

    // What CurrentPath holds while the drive view is shown (and what the header shows).
    static constexpr const char* DriveViewCaption = "HDD Select";

private:
    void ListFolderView();
    void ListDriveView();
    void EnterFolder(const std::string& name);
    void SelectFolderLeft(const std::string& left);
    static void Call(const std::function<void()>& hook);

    CSharedData* Shared;
};
