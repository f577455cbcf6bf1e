#include "songs/TrackInfoCache.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace
{
constexpr char Magic[] = "korvane track cache\n";
constexpr uint32_t Version = 1;
constexpr size_t MagicBytes = sizeof Magic - 1;
constexpr size_t HeaderBytes = MagicBytes + 4 + 4 + 8; // magic, version, count, checksum
constexpr size_t MaxFileBytes = 64u << 20;
constexpr size_t MaxTextBytes = 64u << 10;

uint64_t Checksum(const char* bytes, size_t size)
{
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ uint8_t(bytes[i])) * 1099511628211ull;
    return hash;
}

uint64_t Now()
{
    return uint64_t(std::max<std::time_t>(std::time(nullptr), 0));
}

void Put(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char(uint8_t(value >> (8 * i))));
}

void PutText(std::string& out, const std::string& text)
{
    const std::string cut = text.substr(0, MaxTextBytes);
    Put(out, cut.size(), 4);
    out += cut;
}

// Reads fields off a byte string; every read fails once one has run past the end.
class CFields
{
public:
    CFields(const std::string& bytes, size_t from) : Bytes(bytes), At(from) {}
    uint64_t Number(int bytes)
    {
        if (!Take(size_t(bytes)))
            return 0;
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= uint64_t(uint8_t(Bytes[At - size_t(bytes) + size_t(i)])) << (8 * i);
        return value;
    }
    std::string Text()
    {
        const size_t size = size_t(Number(4));
        if (size > MaxTextBytes || !Take(size))
        {
            Good = false;
            return {};
        }
        return Bytes.substr(At - size, size);
    }
    bool IsGood() const { return Good; }
    bool AtEnd() const { return At == Bytes.size(); }

private:
    bool Take(size_t size)
    {
        Good = Good && size <= Bytes.size() - At;
        if (Good)
            At += size;
        return Good;
    }
    const std::string& Bytes;
    size_t At;
    bool Good = true;
};
} // namespace

fs::path CTrackInfoCache::DefaultFile()
{
    const fs::path folder = Paths::UserCacheFolder();
    return folder.empty() ? fs::path() : folder / "korvane" / "tracks";
}

std::shared_ptr<CTrackInfoCache> CTrackInfoCache::OfThisRun()
{
    static std::mutex lock;
    static std::weak_ptr<CTrackInfoCache> live;
    const std::lock_guard<std::mutex> hold(lock);
    std::shared_ptr<CTrackInfoCache> cache = live.lock();
    if (!cache || cache->File != DefaultFile())
        live = cache = std::make_shared<CTrackInfoCache>(DefaultFile());
    return cache;
}

std::string CTrackInfoCache::Encode(const FEntries& entries)
{
    std::string records;
    for (const auto& [path, entry] : entries)
    {
        PutText(records, path);
        Put(records, uint64_t(entry.Size), 8);
        Put(records, uint64_t(entry.ModifiedNs), 8);
        Put(records, (entry.Facts.Song ? 1 : 0) | (entry.Facts.FromHeader ? 2 : 0), 1);
        Put(records, uint64_t(entry.Facts.LengthBytes), 8);
        PutText(records, entry.Facts.Title);
        PutText(records, entry.Facts.Artist);
        Put(records, entry.Used, 8);
    }
    std::string out(Magic, MagicBytes);
    Put(out, Version, 4);
    Put(out, entries.size(), 4);
    Put(out, Checksum(records.data(), records.size()), 8);
    return out + records;
}

bool CTrackInfoCache::Decode(const std::string& bytes, FEntries& entries)
{
    entries.clear();
    if (bytes.size() < HeaderBytes || bytes.compare(0, MagicBytes, Magic) != 0)
        return false;
    CFields fields(bytes, MagicBytes);
    const uint64_t version = fields.Number(4);
    const uint64_t count = fields.Number(4);
    const uint64_t sum = fields.Number(8);
    if (version != Version || count > MaxEntries ||
        sum != Checksum(bytes.data() + HeaderBytes, bytes.size() - HeaderBytes))
        return false;
    for (uint64_t i = 0; i < count && fields.IsGood(); ++i)
    {
        std::string path = fields.Text();
        SEntry entry;
        entry.Size = int64_t(fields.Number(8));
        entry.ModifiedNs = int64_t(fields.Number(8));
        const uint64_t flags = fields.Number(1);
        entry.Facts.Song = (flags & 1) != 0;
        entry.Facts.FromHeader = (flags & 2) != 0;
        entry.Facts.LengthBytes = int64_t(fields.Number(8));
        entry.Facts.Title = fields.Text();
        entry.Facts.Artist = fields.Text();
        entry.Used = fields.Number(8);
        if (flags > 3 || path.empty() || (entry.Facts.Song && entry.Facts.LengthBytes < 0))
            return false;
        entries[std::move(path)] = std::move(entry);
    }
    return fields.IsGood() && fields.AtEnd() && entries.size() == count;
}

bool CTrackInfoCache::ReadFile(const fs::path& file, FEntries& entries)
{
    std::string bytes;
    if (!ReadRegularFile(file, MaxFileBytes + 1, bytes))
    {
        if (errno != ENOENT)
            Log("Could not read the track cache %s (%s)\n", file.c_str(), std::strerror(errno));
        return false;
    }
    if (bytes.size() <= MaxFileBytes && Decode(bytes, entries))
        return true;
    entries.clear();
    Log("The track cache %s is damaged or of another version: it is made again\n", file.c_str());
    return false;
}

void CTrackInfoCache::LoadOnce()
{
    if (Loaded)
        return;
    Loaded = true;
    if (!File.empty())
        ReadFile(File, Entries);
}

bool CTrackInfoCache::Find(const STrackKey& key, STrackFacts& facts)
{
    const std::lock_guard<std::mutex> hold(Lock);
    LoadOnce();
    const auto found = Entries.find(key.Path);
    if (found == Entries.end() || found->second.Size != key.Size ||
        found->second.ModifiedNs != key.ModifiedNs)
        return false;
    facts = found->second.Facts;
    found->second.Used = Now();
    return true;
}

void CTrackInfoCache::Store(const STrackKey& key, const STrackFacts& facts)
{
    const std::lock_guard<std::mutex> hold(Lock);
    LoadOnce();
    Entries[key.Path] = SEntry{key.Size, key.ModifiedNs, facts, Now()};
    ++Unsaved;
}

bool CTrackInfoCache::Save(bool always)
{
    FEntries merged;
    int saving = 0;
    {
        const std::lock_guard<std::mutex> hold(Lock);
        if (Unsaved == 0 || File.empty() || (!always && Unsaved < SaveEvery))
            return true;
        saving = std::exchange(Unsaved, 0);
        merged = Entries;
    }
    // Saves of every cache in the game take turns, so none drops what another just wrote.
    static std::mutex FileTurn;
    const std::lock_guard<std::mutex> turn(FileTurn);
    FEntries stored;
    if (ReadFile(File, stored))
        for (auto& [path, entry] : stored)
        {
            auto mine = merged.find(path);
            if (mine == merged.end() || mine->second.Used < entry.Used)
                merged[path] = std::move(entry);
        }
    if (merged.size() > MaxEntries)
    {
        std::vector<std::pair<uint64_t, std::string>> byUse;
        for (const auto& [path, entry] : merged)
            byUse.emplace_back(entry.Used, path);
        std::nth_element(byUse.begin(), byUse.begin() + ptrdiff_t(MaxEntries), byUse.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        for (size_t i = MaxEntries; i < byUse.size(); ++i)
            merged.erase(byUse[i].second);
    }
    std::error_code ec;
    fs::create_directories(File.parent_path(), ec);
    if (WriteFileAtomically(File, Encode(merged)))
        return true;
    Log("Could not write the track cache %s (%s)\n", File.c_str(), std::strerror(errno));
    const std::lock_guard<std::mutex> hold(Lock);
    Unsaved += saving;
    return false;
}
