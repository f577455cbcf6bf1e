#pragma once
#include <cstdint>
#include <string>

class CSharedData;
struct SHighscorePlaces;
struct STrackInfo;
struct STrackInfoRequest;

// One row of the music browser: a folder (a sub-folder, "..", or a mount root) or a song
// (a file with one of the extensions of SongTypes). Entries live in CSharedData::FolderItems, which
// owns them, so the battle scene can play from the list and the browser finds its place again.
// Texts are UTF-8; Name and Path keep the file system's bytes, the displayed texts are always
// valid UTF-8. Main thread only.
class CFolderItem
{
public:
    static constexpr int32_t FolderKind = 0;
    static constexpr int32_t SongKind = 2;

    // A song's Path is the shared CurrentPath (ending in "/") followed by name; its Name
    // loses the extension. The shared state must outlive the entry.
    CFolderItem(CSharedData* shared, const std::string& name, int32_t kind);
    virtual ~CFolderItem() = default;

    int32_t GetKind() const { return Kind; }
    const std::string& GetName() const { return Name; }
    const std::string& GetDisplayName() const { return DisplayName; }
    const std::string& GetPath() const { return Path; }
    const std::string& GetTitle() const { return Title; }
    bool IsInfoPending() const { return InfoPending; }
    // Best rating in percent at the shared Speed (exact float equality picks the slot); 0 = none.
    int32_t GetBestRating() const;

    // Title with each of / \ : * ? " < > | (and NUL) turned into "_": the base of the
    // highscore file name.
    std::string MakeSafeFileName() const;

    // Reads title, artist and exact length once and loads the highscores with that length.
    // True when the entry has just changed; false for a folder, a second call, or a file
    // that cannot be opened (InfoPending is cleared in every case).
    bool ReadTrackInfo();
    // What ReadTrackInfo reads, to be read elsewhere (the browser's worker); its highscores
    // are looked for in `places` (HighscorePlaces of the shared state).
    STrackInfoRequest TrackInfoRequest(const SHighscorePlaces& places) const;
    // Takes what was read for this entry, once, as ReadTrackInfo would; false for a second
    // one, a folder, or another song's.
    bool TakeTrackInfo(const STrackInfo& info);
    // The exact length a battle measured; a quick read's other length gives way to it (the
    // highscores are read again). True when it differed.
    bool TakeMeasuredLength(int64_t length);

    // Fills BestRatings from the song's highscore file; length in bytes of decoded PCM.
    void LoadHighscores(int64_t length);
    // Stores a strictly better rating for the current Speed and rewrites the file, keeping
    // any better value that another save (a copy of the same song) has put there meanwhile.
    // True only when the file now holds this rating as the best: false when it held more,
    // or when it could not be written (logged, SaveError says why in a few words, and the
    // write is kept in the shared PendingSaves to be tried again).
    bool SaveHighscore(int32_t rating, int64_t length);
    const std::string& GetSaveError() const { return SaveError; } // "" after a good save

    int32_t Kind;
    CSharedData* Shared;     // not owned
    std::string Name;        // folder: as listed; song: file name without extension
    std::string Path;        // song: full path; folder: "?"
    std::string DisplayName; // the row's text
    std::string Title;       // the song's title, the key of its highscores; empty until read
    int32_t BestRatings[3];  // Slow, Normal, Fast; 0 = none
    bool InfoPending;
    int64_t LengthBytes = -1; // the highscore file's length key once the info is read; -1 before
    bool LengthFromHeader = false; // LengthBytes is an MP3 header's count, not yet measured
    bool LengthCorrected = false;  // a battle measured another length: the cache is to learn it

private:
    bool SaveToAnyFolder(int64_t length); // false when no folder took the file

    std::string SaveError;
};
