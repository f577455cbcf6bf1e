#pragma once
#include <cstddef>
#include <cstdint>

namespace korvane::backend
{

// Decoded samples kept for one reading through: written once in order up to a limit, then
// handed out in order, each part given back to the system once the reader has moved on, so the
// samples kept and what the caller builds from them are never both held in full.
// One thread at a time; not copyable.
class CPcmSpool
{
public:
    CPcmSpool() = default;
    ~CPcmSpool() { Clear(); }
    CPcmSpool(const CPcmSpool&) = delete;
    CPcmSpool& operator=(const CPcmSpool&) = delete;

    // Address space for `bytes` of samples, of which only what is written costs memory.
    // Anything kept before is dropped; false (nothing will be kept) when there is no room.
    bool Reserve(uint64_t bytes);
    // Where `samples` more go; null when none are kept or the limit is passed, which drops all.
    int16_t* Extend(size_t samples);
    // The next at most `samples` samples, the part taken before them released; false (and
    // everything dropped) once all were taken.
    bool Take(size_t samples, const int16_t*& part, size_t& count);
    bool IsEmpty() const { return Written == 0; }
    void Clear();

private:
    int16_t* Base = nullptr;
    size_t Capacity = 0; // samples, for all counts below
    size_t Written = 0;
    size_t Taken = 0;
    size_t Released = 0; // from Base, whole pages
};

} // namespace korvane::backend
