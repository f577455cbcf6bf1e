#include "fuzz/FuzzMutation.h"

#include <algorithm>

namespace Fuzz
{
namespace
{
uint32_t InterestingValue(Rng& rng, uint32_t old)
{
    static const uint32_t values[] = {0,          1,          2,          0x7F,       0x80,
                                      0xFF,       0x100,      0x7FFF,     0x8000,     0xFFFF,
                                      0x10000,    0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE,
                                      0x7F7F7F7F, 0x0FFFFFFF, 1000000,    44100,      1024};
    switch (rng() % 4)
    {
    case 0:
        return old + uint32_t(rng() % 64) - 32;
    case 1:
        return uint32_t(rng());
    default:
        return values[rng() % std::size(values)];
    }
}

} // namespace

void Mutate(Bytes& b, const std::vector<Bytes>& donors, Rng& rng, const FieldsOf& fieldsOf)
{
    const int steps = 1 + int(rng() % 4);
    for (int s = 0; s < steps && !b.empty(); ++s)
    {
        const size_t n = b.size();
        switch (rng() % 10)
        {
        case 0: // bit flips
            for (int k = 0, m = 1 + int(rng() % 8); k < m; ++k)
                b[rng() % n] ^= uint8_t(1u << (rng() % 8));
            break;
        case 1: // random bytes
            for (int k = 0, m = 1 + int(rng() % 16); k < m; ++k)
                b[rng() % n] = uint8_t(rng());
            break;
        case 2: // a run of one byte value
        {
            const size_t at = rng() % n;
            const size_t len = std::min(n - at, size_t(1 + rng() % 2048));
            const uint8_t v = (rng() % 2) ? 0xFF : (rng() % 2) ? 0x00 : uint8_t(rng());
            std::fill(b.begin() + long(at), b.begin() + long(at + len), v);
            break;
        }
        case 3: // truncation
            b.resize(rng() % 3 == 0 ? rng() % std::min<size_t>(n, 4096) : rng() % n);
            break;
        case 4: // splice from another seed (or itself)
        {
            const Bytes& other = donors[rng() % donors.size()];
            if (other.empty())
                break;
            const size_t from = rng() % other.size();
            const size_t len = std::min(other.size() - from, size_t(1 + rng() % 8192));
            const size_t at = rng() % n;
            if (rng() % 2)
                b.insert(b.begin() + long(at), other.begin() + long(from),
                         other.begin() + long(from + len));
            else
            {
                b.resize(std::max(b.size(), at + len));
                std::copy(other.begin() + long(from), other.begin() + long(from + len),
                          b.begin() + long(at));
            }
            break;
        }
        case 5: // cut a piece out
        {
            const size_t at = rng() % n;
            const size_t len = std::min(n - at, size_t(1 + rng() % 4096));
            b.erase(b.begin() + long(at), b.begin() + long(at + len));
            break;
        }
        case 6: // duplicate a piece
        {
            const size_t at = rng() % n;
            const size_t len = std::min(n - at, size_t(1 + rng() % 4096));
            const std::vector<uint8_t> piece(b.begin() + long(at), b.begin() + long(at + len));
            b.insert(b.begin() + long(rng() % n), piece.begin(), piece.end());
            break;
        }
        default: // a length, count or format field gets an absurd value
        {
            const std::vector<size_t> fields = fieldsOf ? fieldsOf(b) : std::vector<size_t>();
            size_t at = fields.empty() ? rng() % n : fields[rng() % fields.size()];
            if (at + 4 > n)
                break;
            uint32_t old = 0;
            const bool big = rng() % 2;
            for (int k = 0; k < 4; ++k)
                old |= uint32_t(b[at + size_t(k)]) << (big ? 8 * (3 - k) : 8 * k);
            const uint32_t v = InterestingValue(rng, old);
            const int width = rng() % 3 == 0 ? 1 : rng() % 2 ? 2 : 4;
            for (int k = 0; k < width; ++k)
                b[at + size_t(k)] = uint8_t(big ? v >> (8 * (width - 1 - k)) : v >> (8 * k));
            break;
        }
        }
    }
}

} // namespace Fuzz
