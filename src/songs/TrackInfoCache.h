#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

// What a song's file is, as far as the cache can tell it apart from another: its path, size
// and modification time. A file changed in any of them is read again.
struct STrackKey
{
    std::string Path;
    int64_t Size = 0;
    int64_t ModifiedNs = 0;
};

// What reading a song's file taught: whether it is a song we decode, its tags and its exact
// length (the highscore file's key).
struct STrackFacts
{
    bool Song = false;
    std::string Title;        // the tag as read: not yet checked to be UTF-8
    std::string Artist;       // likewise
    int64_t LengthBytes = -1; // 16-bit PCM bytes
    bool FromHeader = false;  // an MP3 header's count, not a scan's
};

// The music browser's memory of the songs it has read, kept in the user's cache folder so
// that a folder visited before shows its rows at once, even on a slow disk. The file is only
// ever a help: one that is missing, damaged or of another version is ignored (logged) and
// made again, and nothing is trusted that does not match the file's size and time exactly.
// It is versioned, checked as a whole and replaced atomically; it keeps the most recently
// used songs up to a bound. Any thread: calls are serialised inside.
class CTrackInfoCache
{
public:
    static constexpr size_t MaxEntries = 20000;
    static constexpr int SaveEvery = 64; // songs stored before a save that is not the last

    // file: where the memory is kept; empty keeps nothing between runs.
    explicit CTrackInfoCache(std::filesystem::path file) : File(std::move(file)) {}
    virtual ~CTrackInfoCache() = default;

    // $XDG_CACHE_HOME/korvane/tracks (~/.cache when unset); empty when there is no home.
    static std::filesystem::path DefaultFile();
    // The run's cache on DefaultFile(): one while any browser or its reads still hold it, so a
    // browser opened again finds what the last one read, saved or not.
    static std::shared_ptr<CTrackInfoCache> OfThisRun();

    // The file is read at the first of these calls.
    bool Find(const STrackKey& key, STrackFacts& facts);
    void Store(const STrackKey& key, const STrackFacts& facts);
    // Writes what was stored since the last save into the file, merged with what the file
    // holds now (another game may have added to it): every time when `always`, else once
    // SaveEvery songs wait (a save costs the whole file). True when nothing was written or
    // the write went through.
    bool Save(bool always = true);

private:
    struct SEntry
    {
        int64_t Size = 0;
        int64_t ModifiedNs = 0;
        STrackFacts Facts;
        uint64_t Used = 0; // seconds since the epoch at the last Find or Store
    };
    using FEntries = std::unordered_map<std::string, SEntry>;

    void LoadOnce();
    static bool Decode(const std::string& bytes, FEntries& entries);
    static std::string Encode(const FEntries& entries);
    static bool ReadFile(const std::filesystem::path& file, FEntries& entries);

    std::mutex Lock;
    std::filesystem::path File;
    FEntries Entries;
    bool Loaded = false;
    int Unsaved = 0; // songs stored since the last save
};
