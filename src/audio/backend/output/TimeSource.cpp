#include "audio/backend/output/TimeSource.h"

#include <chrono>

namespace korvane::backend
{

int64_t MonotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace korvane::backend
