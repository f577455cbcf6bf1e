#include "songs/Highscores.h"

#include "app/SharedData.h"
#include "app/Speeds.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Utf8.h"
#include "songs/FolderItem.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
constexpr size_t FileBytes = 12;
constexpr size_t DefaultNameMax = 255;

void EncodeRatings(const int32_t ratings[3], unsigned char bytes[FileBytes])
{
    for (size_t i = 0; i < 3; ++i)
    {
        const auto value = static_cast<uint32_t>(ratings[i]);
        for (size_t b = 0; b < 4; ++b)
            bytes[4 * i + b] = static_cast<unsigned char>(value >> (8 * b));
    }
}

void DecodeRatings(const unsigned char bytes[FileBytes], int32_t ratings[3])
{
    for (size_t i = 0; i < 3; ++i)
    {
        uint32_t value = 0;
        for (size_t b = 0; b < 4; ++b)
            value |= static_cast<uint32_t>(bytes[4 * i + b]) << (8 * b);
        ratings[i] = static_cast<int32_t>(value);
    }
}
} // namespace

int TrophyFor(double rating)
{
    if (rating == 100.0)
        return 4;
    if (rating >= 90.0)
        return 3;
    if (rating >= 80.0)
        return 2;
    if (rating >= 60.0)
        return 1;
    return 0;
}

std::string SafeFileName(const std::string& title)
{
    static const std::string Refused("/\\:*?\"<>|", 9);
    std::string safe = title;
    for (char& c : safe)
        if (c == '\0' || Refused.find(c) != std::string::npos)
            c = '_';
    return safe;
}

std::string HighscoreFileName(const std::string& safeTitle, int64_t length, size_t maxNameBytes)
{
    const std::string suffix = "-" + std::to_string(length) + ".hs";
    const size_t room = maxNameBytes > suffix.size() ? maxNameBytes - suffix.size() : 0;
    return safeTitle.substr(0, Utf8CutPoint(safeTitle, room)) + suffix;
}

size_t MaxFileNameBytes(const fs::path& folder)
{
    for (const fs::path& probe : {folder, folder.parent_path()})
    {
        const long max = pathconf(probe.c_str(), _PC_NAME_MAX);
        if (max > static_cast<long>(2 * AtomicFileNameOverhead))
            return std::min(static_cast<size_t>(max), DefaultNameMax) - AtomicFileNameOverhead;
    }
    return DefaultNameMax - AtomicFileNameOverhead;
}

fs::path CommonHighscoreFolder(const CSharedData& shared)
{
    return fs::path(shared.ProgramFolder + "highscores");
}

fs::path UserHighscoreFolder()
{
    const fs::path data = Paths::UserDataFolder();
    return data.empty() ? fs::path() : data / "korvane";
}

bool CanWriteFolder(const fs::path& folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return access(folder.c_str(), W_OK | X_OK) == 0;
    return !fs::exists(folder, ec) && access(folder.parent_path().c_str(), W_OK | X_OK) == 0;
}

bool ReadHighscoreFile(const fs::path& file, int32_t ratings[3])
{
    std::string stored;
    if (!ReadRegularFile(file, FileBytes, stored))
        return false;
    unsigned char bytes[FileBytes];
    EncodeRatings(ratings, bytes);
    std::memcpy(bytes, stored.data(), stored.size());
    int32_t values[3];
    DecodeRatings(bytes, values);
    for (size_t i = 0; i < 3; ++i)
        ratings[i] = values[i] >= 0 && values[i] <= 100 ? values[i] : 0;
    return true;
}

bool WriteHighscoreFile(const fs::path& file, const int32_t ratings[3])
{
    unsigned char bytes[FileBytes];
    EncodeRatings(ratings, bytes);
    return WriteFileAtomically(file,
                               std::string_view(reinterpret_cast<const char*>(bytes), FileBytes));
}

namespace
{
fs::path HighscorePath(const fs::path& folder, const std::string& safeTitle, int64_t length)
{
    return folder / HighscoreFileName(safeTitle, length, MaxFileNameBytes(folder));
}

bool LoadFrom(const fs::path& folder, const std::string& safeTitle, int64_t length,
              int32_t ratings[3])
{
    const fs::path file = HighscorePath(folder, safeTitle, length);
    Log("Loading score for : %s\n", file.c_str());
    return ReadHighscoreFile(file, ratings);
}

// What the player is told of a failed write, in a few words.
std::string Reason(int error)
{
    switch (error)
    {
    case ENOSPC:
    case EDQUOT:
        return "disk full";
    case EROFS:
        return "read-only disk";
    case EACCES:
    case EPERM:
        return "no permission";
    default:
        return std::strerror(error);
    }
}

// Keeps the better of memory and file for each speed: another entry of the same song, or
// another running game, may have saved since these ratings were loaded. False with errno's
// reason in `error` when the file could not be written.
bool WriteMerged(const fs::path& file, int32_t ratings[3], int& error)
{
    std::error_code ec;
    if (!fs::is_directory(file.parent_path(), ec))
        fs::create_directories(file.parent_path(), ec);
    int32_t stored[3] = {ratings[0], ratings[1], ratings[2]};
    if (ReadHighscoreFile(file, stored))
        for (size_t i = 0; i < 3; ++i)
            ratings[i] = std::max(ratings[i], stored[i]);
    Log("Saving score for : %s\n", file.c_str());
    if (WriteHighscoreFile(file, ratings))
        return true;
    error = errno;
    return false;
}

// A write that failed is kept in the run's retry list: tried again at the next result screen,
// when the browser shows the song, and at the end of the game.
bool SaveTo(CSharedData& shared, const fs::path& folder, const std::string& safeTitle,
            int64_t length, int32_t ratings[3], std::string& reason)
{
    const fs::path file = HighscorePath(folder, safeTitle, length);
    int error = 0;
    if (WriteMerged(file, ratings, error))
        return true;
    reason = Reason(error);
    Log("Unable to write the highscore file %s (%s); it is tried again at the next result "
        "screen, when the song is shown and when the game ends\n",
        file.c_str(), std::strerror(error));
    const std::array<int32_t, 3> kept{ratings[0], ratings[1], ratings[2]};
    shared.PendingSaves.Keep(file.string(),
                             [file, kept]
                             {
                                 int32_t again[3] = {kept[0], kept[1], kept[2]};
                                 int error = 0;
                                 return WriteMerged(file, again, error);
                             });
    return false;
}

// The per-user folder, or empty after switching the run to the common folder.
fs::path UserFolderOrSwitchToCommon(CSharedData& shared)
{
    if (shared.CommonHighscores)
        return {};
    fs::path folder = UserHighscoreFolder();
    if (folder.empty())
        shared.CommonHighscores = true;
    return folder;
}
} // namespace

SHighscorePlaces HighscorePlaces(CSharedData& shared)
{
    const fs::path userFolder = UserFolderOrSwitchToCommon(shared);
    if (!userFolder.empty())
        return {userFolder, {}};
    // While the common folder cannot be written, new scores go to the user's folder: those
    // are read too.
    return {CommonHighscoreFolder(shared), UserHighscoreFolder()};
}

void ReadRatings(const SHighscorePlaces& places, const std::string& safeTitle, int64_t length,
                 int32_t ratings[3])
{
    LoadFrom(places.Folder, safeTitle, length, ratings);
    if (places.Fallback.empty() || CanWriteFolder(places.Folder))
        return;
    int32_t userRatings[3] = {ratings[0], ratings[1], ratings[2]};
    if (!LoadFrom(places.Fallback, safeTitle, length, userRatings))
        return;
    for (size_t i = 0; i < 3; ++i)
        ratings[i] = std::max(ratings[i], userRatings[i]);
}

bool RetrySaves(CSharedData& shared, const SHighscorePlaces& places, const std::string& safeTitle,
                int64_t length)
{
    bool tried = false;
    for (const fs::path& folder : {places.Folder, places.Fallback})
    {
        if (folder.empty())
            continue;
        const std::string file = HighscorePath(folder, safeTitle, length).string();
        if (shared.PendingSaves.Holds(file))
        {
            shared.PendingSaves.Retry(file);
            tried = true;
        }
    }
    return tried;
}

void CFolderItem::LoadHighscores(int64_t length)
{
    const SHighscorePlaces places = HighscorePlaces(*Shared);
    const std::string safeTitle = MakeSafeFileName();
    RetrySaves(*Shared, places, safeTitle, length);
    ReadRatings(places, safeTitle, length, BestRatings);
}

bool CFolderItem::SaveHighscore(int32_t rating, int64_t length)
{
    SaveError.clear();
    // The file keeps percentages only; anything else would read back as no rating.
    rating = std::clamp(rating, 0, 100);
    const int slot = HighscoreSlot(Shared->Speed);
    if (rating <= BestRatings[slot])
        return false;
    BestRatings[slot] = rating;
    // A new best is announced only when the file now holds it: the save merges with the
    // file, which may already hold more, and a failed write is kept to be tried again.
    const bool written = SaveToAnyFolder(length);
    return written && BestRatings[slot] == rating;
}

bool CFolderItem::SaveToAnyFolder(int64_t length)
{
    const std::string safeTitle = MakeSafeFileName();
    const fs::path userFolder = UserFolderOrSwitchToCommon(*Shared);
    if (!userFolder.empty())
        return SaveTo(*Shared, userFolder, safeTitle, length, BestRatings, SaveError);
    // Only a folder the player may not write sends the score elsewhere, as loading looks
    // there only then; a full or failing disk is reported, not worked around.
    const fs::path commonFolder = CommonHighscoreFolder(*Shared);
    const fs::path fallback = UserHighscoreFolder();
    if (fallback.empty() || CanWriteFolder(commonFolder))
        return SaveTo(*Shared, commonFolder, safeTitle, length, BestRatings, SaveError);
    Log("The common highscore folder %s cannot be written, saving in %s instead\n",
        commonFolder.c_str(), fallback.c_str());
    return SaveTo(*Shared, fallback, safeTitle, length, BestRatings, SaveError);
}

void ShareRatings(const std::vector<std::unique_ptr<CFolderItem>>& items)
{
    std::map<std::pair<std::string, int64_t>, std::array<int32_t, 3>> best;
    auto keyOf = [](const CFolderItem& item)
    { return std::make_pair(item.MakeSafeFileName(), item.LengthBytes); };
    for (const auto& item : items)
        if (item->LengthBytes >= 0)
        {
            auto& ratings = best.try_emplace(keyOf(*item), std::array<int32_t, 3>{}).first->second;
            for (size_t i = 0; i < 3; ++i)
                ratings[i] = std::max(ratings[i], item->BestRatings[i]);
        }
    for (const auto& item : items)
        if (item->LengthBytes >= 0)
            std::copy_n(best[keyOf(*item)].begin(), 3, item->BestRatings);
}
