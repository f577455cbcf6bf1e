#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <tuple>

namespace korvane::backend
{

// The decoded length of songs whose container does not give it (WMA), remembered per file for
// the rest of the run as long as the file is not changed (same device, inode, size and
// modification time): the first open of a song, mostly the browser's look at it, pays for the
// count; the preview, the analysis and the music do not.
// Threads: any. One lock guards the table and is never held while a song is counted, so two
// threads that open the same new song at once both count it. Today every song is opened on
// the main thread (the browser's track info, the preview, the analysis, the music); the
// output's feeder thread only reads songs that are already open.
class CFrameCountMemo
{
public:
    static CFrameCountMemo& OfThisRun(); // the one table every reader shares

    // The frames of the song open at `fd`: remembered, or counted by `count` and remembered.
    // A file whose identity cannot be read is counted every time.
    int64_t Count(int fd, const std::function<int64_t()>& count);

private:
    struct SFileKey
    {
        uint64_t Device;
        uint64_t Inode;
        int64_t Size;
        int64_t ModifiedNs;
        auto Tie() const { return std::tie(Device, Inode, Size, ModifiedNs); }
        bool operator<(const SFileKey& other) const { return Tie() < other.Tie(); }
    };
    static constexpr size_t MostFiles = 4096; // beyond this many the table starts again

    std::mutex Lock;
    std::map<SFileKey, int64_t> Counts;
};

} // namespace korvane::backend
