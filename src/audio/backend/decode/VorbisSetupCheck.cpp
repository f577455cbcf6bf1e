#include "audio/backend/decode/VorbisSetupCheck.h"

#include "audio/backend/decode/VorbisHeaders.h"

#include <ogg/ogg.h>

#include <algorithm>
#include <cstring>

namespace korvane::backend
{
namespace
{
// Bits needed to write x: 0 for 0, 3 for 7, 4 for 8.
int ILog(uint32_t x)
{
    int bits = 0;
    for (; x != 0; x >>= 1)
        ++bits;
    return bits;
}

// The greatest r with r^dimensions <= entries: how many values a lattice codebook's table
// holds per dimension. entries and dimensions are at least 1.
uint64_t LatticeValues(uint32_t entries, uint32_t dimensions)
{
    auto fits = [&](uint64_t r)
    {
        uint64_t power = 1;
        for (uint32_t d = 0; d < dimensions; ++d)
            if ((power *= r) > entries)
                return false;
        return true;
    };
    uint64_t low = 1, high = entries; // 1 always fits; r > entries never does
    while (low < high)
    {
        const uint64_t mid = low + (high - low + 1) / 2;
        if (fits(mid))
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}
} // namespace

// Vorbis packs fields least significant bit first, as libogg's bit reader reads them. Past
// the end every read gives 0 and the reader stays ended.
class CVorbisSetupCheck::CBits
{
public:
    explicit CBits(std::vector<uint8_t>& packet) : Size(packet.size())
    {
        oggpack_readinit(&Buffer, packet.data(), int(packet.size()));
    }

    uint32_t Read(int count) // 0..32 bits
    {
        if (count == 0 || Ended)
            return 0;
        const long value = oggpack_read(&Buffer, count);
        Ended = value < 0;
        return Ended ? 0 : uint32_t(value);
    }

    bool Skip(uint64_t count)
    {
        const uint64_t left = uint64_t(Size) * 8 - uint64_t(oggpack_bits(&Buffer));
        Ended = Ended || count > left;
        for (; !Ended && count > 0; count -= std::min<uint64_t>(count, 1 << 24))
            oggpack_adv(&Buffer, int(std::min<uint64_t>(count, 1 << 24)));
        return !Ended;
    }

    bool IsEnded() const { return Ended; }

private:
    oggpack_buffer Buffer{};
    size_t Size;
    bool Ended = false;
};

bool CVorbisSetupCheck::IsSound(const std::string& path, int64_t offset)
{
    SVorbisHeaders headers;
    if (!ReadVorbisHeaders(path, offset, headers) || headers.Identification.size() < 12)
        return true;
    return IsSoundSetup(headers.Setup, headers.Identification[11]);
}

bool CVorbisSetupCheck::IsSoundSetup(const std::vector<uint8_t>& packet, int channels)
{
    if (packet.size() < 7 || packet[0] != 5 || std::memcmp(&packet[1], "vorbis", 6) != 0 ||
        channels < 1)
        return false;
    std::vector<uint8_t> copy(packet.begin() + 7, packet.end()); // libogg reads non-const
    CBits bits(copy);
    return ReadCodebooks(bits) && ReadTimeDomain(bits) && ReadFloors(bits) && ReadResidues(bits) &&
           ReadMappings(bits, channels) && ReadModes(bits) && bits.Read(1) == 1 && !bits.IsEnded();
}

bool CVorbisSetupCheck::ReadCodebooks(CBits& bits)
{
    Books = bits.Read(8) + 1;
    for (uint32_t b = 0; b < Books; ++b)
        if (!ReadCodebook(bits))
            return false;
    return true;
}

bool CVorbisSetupCheck::ReadCodebook(CBits& bits)
{
    if (bits.Read(24) != 0x564342)
        return false;
    const uint32_t dimensions = bits.Read(16);
    const uint32_t entries = bits.Read(24);
    // Decoding steps through a vector `dimensions` values at a time.
    if (bits.IsEnded() || dimensions == 0 || entries == 0)
        return false;
    // The codeword lengths must make a complete prefix code: libvorbis builds every book's
    // decode table before the first audio packet, and when one fails it decodes on with
    // empty books instead. Kraft sum in units of 2^-32; one used entry may have length 1.
    uint64_t kraft = 0, used = 0, firstLength = 0;
    auto add = [&](uint64_t count, uint32_t length)
    {
        kraft += count << (32 - length);
        firstLength = used == 0 ? length : firstLength;
        used += count;
    };
    if (bits.Read(1)) // ordered: runs of entries with lengths counting up
    {
        uint32_t length = bits.Read(5) + 1;
        for (uint32_t entry = 0; entry < entries && !bits.IsEnded(); ++length)
        {
            const uint32_t run = bits.Read(ILog(entries - entry));
            if (length > 32 || run > entries - entry)
                return false;
            add(run, length);
            entry += run;
        }
    }
    else
    {
        const bool sparse = bits.Read(1);
        for (uint32_t entry = 0; entry < entries && !bits.IsEnded(); ++entry)
            if (!sparse || bits.Read(1))
                add(1, bits.Read(5) + 1);
    }
    if (used == 1 ? firstLength != 1 : used > 1 && kraft != uint64_t(1) << 32)
        return false;
    const uint32_t lookup = bits.Read(4);
    if (lookup == 1 || lookup == 2)
    {
        bits.Read(32); // minimum
        bits.Read(32); // delta
        const uint32_t valueBits = bits.Read(4) + 1;
        bits.Read(1); // sequence
        const uint64_t values =
            lookup == 1 ? LatticeValues(entries, dimensions) : uint64_t(entries) * dimensions;
        return bits.Skip(values * valueBits);
    }
    return lookup == 0 && !bits.IsEnded();
}

bool CVorbisSetupCheck::ReadTimeDomain(CBits& bits)
{
    const uint32_t count = bits.Read(6) + 1;
    for (uint32_t t = 0; t < count; ++t)
        if (bits.Read(16) != 0)
            return false;
    return !bits.IsEnded();
}

bool CVorbisSetupCheck::ReadFloors(CBits& bits)
{
    Floors = bits.Read(6) + 1;
    for (uint32_t f = 0; f < Floors; ++f)
    {
        const uint32_t type = bits.Read(16);
        if (type == 1)
        {
            if (!ReadFloor1(bits))
                return false;
            continue;
        }
        if (type != 0)
            return false;
        bits.Read(8);  // order
        bits.Read(16); // rate
        bits.Read(16); // bark map size
        bits.Read(6);  // amplitude bits
        bits.Read(8);  // amplitude offset
        const uint32_t books = bits.Read(4) + 1;
        for (uint32_t b = 0; b < books; ++b)
            if (bits.Read(8) >= Books)
                return false;
        if (bits.IsEnded())
            return false;
    }
    return true;
}

bool CVorbisSetupCheck::ReadFloor1(CBits& bits)
{
    const uint32_t partitions = bits.Read(5);
    uint32_t partitionClass[32] = {};
    uint32_t classes = 0;
    for (uint32_t p = 0; p < partitions; ++p)
    {
        partitionClass[p] = bits.Read(4);
        classes = std::max(classes, partitionClass[p] + 1);
    }
    uint32_t classDimensions[16] = {};
    for (uint32_t c = 0; c < classes; ++c)
    {
        classDimensions[c] = bits.Read(3) + 1;
        const uint32_t subclasses = bits.Read(2);
        if (subclasses != 0 && bits.Read(8) >= Books) // master book
            return false;
        for (uint32_t s = 0; s < (1u << subclasses); ++s)
        {
            const uint32_t book = bits.Read(8); // one more than the book, 0 for none
            if (book > Books)
                return false;
        }
    }
    bits.Read(2); // multiplier
    const int rangeBits = int(bits.Read(4));
    for (uint32_t p = 0; p < partitions; ++p)
        for (uint32_t d = 0; d < classDimensions[partitionClass[p]]; ++d)
            bits.Read(rangeBits);
    return !bits.IsEnded();
}

bool CVorbisSetupCheck::ReadResidues(CBits& bits)
{
    Residues = bits.Read(6) + 1;
    for (uint32_t r = 0; r < Residues; ++r)
    {
        if (bits.Read(16) > 2)
            return false;
        bits.Read(24); // begin
        bits.Read(24); // end
        bits.Read(24); // partition size - 1: never 0
        const uint32_t classifications = bits.Read(6) + 1;
        // The class book's dimension (checked with every codebook) is the classes per word.
        if (bits.Read(8) >= Books)
            return false;
        uint32_t cascade[64] = {};
        for (uint32_t c = 0; c < classifications; ++c)
        {
            const uint32_t low = bits.Read(3);
            cascade[c] = bits.Read(1) ? (bits.Read(5) << 3) | low : low;
        }
        for (uint32_t c = 0; c < classifications; ++c)
            for (int pass = 0; pass < 8; ++pass)
                if (((cascade[c] >> pass) & 1) && bits.Read(8) >= Books)
                    return false;
        if (bits.IsEnded())
            return false;
    }
    return true;
}

bool CVorbisSetupCheck::ReadMappings(CBits& bits, int channels)
{
    Mappings = bits.Read(6) + 1;
    const int channelBits = ILog(uint32_t(channels - 1));
    for (uint32_t m = 0; m < Mappings; ++m)
    {
        if (bits.Read(16) != 0)
            return false;
        const uint32_t submaps = bits.Read(1) ? bits.Read(4) + 1 : 1;
        if (bits.Read(1))
        {
            const uint32_t steps = bits.Read(8) + 1;
            for (uint32_t s = 0; s < steps; ++s)
            {
                const uint32_t magnitude = bits.Read(channelBits);
                const uint32_t angle = bits.Read(channelBits);
                if (magnitude == angle || magnitude >= uint32_t(channels) ||
                    angle >= uint32_t(channels))
                    return false;
            }
        }
        if (bits.Read(2) != 0)
            return false;
        if (submaps > 1)
            for (int c = 0; c < channels; ++c)
                if (bits.Read(4) >= submaps)
                    return false;
        for (uint32_t s = 0; s < submaps; ++s)
        {
            bits.Read(8); // unused time configuration
            if (bits.Read(8) >= Floors || bits.Read(8) >= Residues)
                return false;
        }
        if (bits.IsEnded())
            return false;
    }
    return true;
}

bool CVorbisSetupCheck::ReadModes(CBits& bits)
{
    const uint32_t modes = bits.Read(6) + 1;
    for (uint32_t m = 0; m < modes; ++m)
    {
        bits.Read(1); // block flag
        const uint32_t window = bits.Read(16);
        const uint32_t transform = bits.Read(16);
        if (window != 0 || transform != 0 || bits.Read(8) >= Mappings)
            return false;
    }
    return !bits.IsEnded();
}

} // namespace korvane::backend
