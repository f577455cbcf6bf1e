#include "audio/backend/decode/PcmSpool.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace korvane::backend
{

bool CPcmSpool::Reserve(uint64_t bytes)
{
    Clear();
    if (bytes < sizeof(int16_t) || bytes > SIZE_MAX)
        return false;
    // Pages of its own, so a part handed out is given back at once, whatever malloc would do
    // with a freed block in the middle of its heap.
    const size_t samples = size_t(bytes) / sizeof(int16_t);
    void* base = ::mmap(nullptr, samples * sizeof(int16_t), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED)
        return false;
    Base = static_cast<int16_t*>(base);
    Capacity = samples;
    return true;
}

int16_t* CPcmSpool::Extend(size_t samples)
{
    if (!Base)
        return nullptr;
    if (samples > Capacity - Written)
    {
        Clear();
        return nullptr;
    }
    Written += samples;
    return Base + (Written - samples);
}

bool CPcmSpool::Take(size_t samples, const int16_t*& part, size_t& count)
{
    if (Taken == Written)
    {
        Clear();
        return false;
    }
    const size_t page = size_t(::sysconf(_SC_PAGESIZE)) / sizeof(int16_t);
    const size_t done = Taken / page * page;
    if (done > Released)
    {
        ::madvise(Base + Released, (done - Released) * sizeof(int16_t), MADV_DONTNEED);
        Released = done;
    }
    count = std::min(samples, Written - Taken);
    part = Base + Taken;
    Taken += count;
    return true;
}

void CPcmSpool::Clear()
{
    if (Base)
        ::munmap(Base, Capacity * sizeof(int16_t));
    Base = nullptr;
    Capacity = Written = Taken = Released = 0;
}

} // namespace korvane::backend
