#pragma once
#include "songs/Highscores.h"

#include <cstdint>
#include <string>

class CTrackInfoCache;

// What a song's row needs from its file, asked for by the browser and answered off the frame
// loop: the file is looked at once, its tags and exact length read (or remembered), and its
// highscores loaded with that length.
struct STrackInfoRequest
{
    std::string Path;
    std::string FileName; // as listed, extension and all: the row's text without tags
    std::string Name;     // without the extension: the title without a title tag
    SHighscorePlaces Places;
    // Not a read: the exact length a battle measured, for the cache to keep (-1: a read).
    int64_t MeasuredLength = -1;
};

struct STrackInfo
{
    std::string Path;
    bool Song = false;        // a song we decode; else nothing below holds
    std::string Title;        // the highscore key's title (the tag, else Name)
    std::string DisplayName;  // the row's text
    int64_t LengthBytes = -1; // the highscore key's length
    bool LengthFromHeader = false;
    int32_t Ratings[3] = {0, 0, 0};
};

// Answers a request: a file that is gone, not a regular file or empty is never opened; one
// already in the cache with the same size and time is not read at all. A quick read takes an
// MP3's length from a header that describes the whole file. The cache may be null. Any
// thread: touches files only (and logs).
STrackInfo ReadTrackInfo(const STrackInfoRequest& request, CTrackInfoCache* cache, bool quick);

// Keeps a battle's exact length for a file whose quick read took another (a damaged MP3).
void RememberMeasuredLength(const STrackInfoRequest& request, CTrackInfoCache& cache);
