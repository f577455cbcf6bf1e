#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class CFolderItem;
class CSharedData;

// A song's highscore file: 12 bytes, the best ratings at Slow, Normal and Fast as signed
// 32-bit little-endian integers, named "<safe title>-<length>.hs". Main thread only, but for
// the functions that say otherwise.

// The trophy (and browser medal) a rating in percent earns, before it is cut to an integer:
// 4 perfect (exactly 100), 3 gold (90 or more), 2 silver (80), 1 bronze (60), 0 none.
int TrophyFor(double rating);

// The title with each of / \\ : * ? " < > | (and NUL) turned into "_": the base of the
// highscore file name. Any thread.
std::string SafeFileName(const std::string& title);

// The file name for a safe title and a length in bytes. A name longer than maxNameBytes is
// shortened at the end of the title (never inside a UTF-8 character); "-<length>.hs" stays.
std::string HighscoreFileName(const std::string& safeTitle, int64_t length, size_t maxNameBytes);

// The longest highscore file name the folder's file system takes with room for the
// temporary name of an atomic replace (the limit is taken as 255 when it cannot be asked).
size_t MaxFileNameBytes(const std::filesystem::path& folder);

// "highscores" in the program's folder, shared by every user of the machine.
std::filesystem::path CommonHighscoreFolder(const CSharedData& shared);
// "korvane" in the user's data folder; empty when the user has none.
std::filesystem::path UserHighscoreFolder();

// True when a file could be created in folder (or in its parent when it does not exist yet).
bool CanWriteFolder(const std::filesystem::path& folder);

// Overwrites the ratings with the file's values in file order. A short file fills only the
// bytes it has; a value outside 0..100 counts as no rating. False when there is no regular
// file to read (the ratings are then untouched).
bool ReadHighscoreFile(const std::filesystem::path& file, int32_t ratings[3]);
// Replaces the file as a whole (temporary file, flush, rename); false when that failed.
bool WriteHighscoreFile(const std::filesystem::path& file, const int32_t ratings[3]);

// Where a song's ratings are read: the run's highscore folder and, while the common folder
// cannot be written, the user's folder as well (new scores went there meanwhile).
struct SHighscorePlaces
{
    std::filesystem::path Folder;
    std::filesystem::path Fallback; // empty, or read too when Folder cannot be written
};
// The places for the run's setting; switches the run to the common folder when the user has
// no data folder.
SHighscorePlaces HighscorePlaces(CSharedData& shared);
// Reads a song's ratings from its places (logged), keeping the better value of the two places
// for each speed; ratings no file holds stay as they are. Any thread: reads files only.
void ReadRatings(const SHighscorePlaces& places, const std::string& safeTitle, int64_t length,
                 int32_t ratings[3]);
// Tries again the failed saves kept for this song's files; true when there was one (the file
// may hold more now than what was read before).
bool RetrySaves(CSharedData& shared, const SHighscorePlaces& places, const std::string& safeTitle,
                int64_t length);

// Entries whose info was read and that share one highscore file (the same title and length,
// such as an MP3 and an OGG copy) all take the best rating any of them holds at each speed:
// a battle saved through one of them.
void ShareRatings(const std::vector<std::unique_ptr<CFolderItem>>& items);
