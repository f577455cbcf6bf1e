#include "audio/backend/decode/FrameCountMemo.h"

#include <sys/stat.h>

namespace korvane::backend
{

CFrameCountMemo& CFrameCountMemo::OfThisRun()
{
    static CFrameCountMemo memo;
    return memo;
}

int64_t CFrameCountMemo::Count(int fd, const std::function<int64_t()>& count)
{
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        return count();
    const SFileKey key{uint64_t(info.st_dev), uint64_t(info.st_ino), int64_t(info.st_size),
                       int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    {
        std::lock_guard<std::mutex> guard(Lock);
        const auto known = Counts.find(key);
        if (known != Counts.end())
            return known->second;
    }
    const int64_t frames = count();
    std::lock_guard<std::mutex> guard(Lock);
    if (Counts.size() >= MostFiles)
        Counts.clear();
    Counts[key] = frames;
    return frames;
}

} // namespace korvane::backend
