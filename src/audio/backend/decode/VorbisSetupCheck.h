#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korvane::backend
{

// Walks a Vorbis setup header (codebooks, time-domain transforms, floors, residues, mappings,
// modes) before libvorbis decodes with it. libvorbis 1.3.7 opens some damaged setups, such as
// codeword lengths that make no prefix code, and then divides by zero while decoding audio;
// those files must be refused up front. Only a definitely malformed header fails: a bad sync
// pattern, a packet that ends early, a codebook of dimension 0 or without entries, codeword
// lengths that over- or underfill the code tree, a reserved type, a reference to a codebook,
// floor, residue, mapping or channel that does not exist, a missing framing bit.
class CVorbisSetupCheck
{
public:
    // The first Vorbis stream from byte `offset` of an Ogg file. True when its setup is sound,
    // and also when no complete set of headers is found there: libvorbisfile refuses such a
    // stream itself before it decodes anything.
    bool IsSound(const std::string& path, int64_t offset);
    // One setup packet (starting with its type byte) for a stream of `channels` channels, as
    // its identification header gives them.
    bool IsSoundSetup(const std::vector<uint8_t>& packet, int channels);

private:
    class CBits;
    bool ReadCodebooks(CBits& bits);
    bool ReadCodebook(CBits& bits);
    bool ReadTimeDomain(CBits& bits);
    bool ReadFloors(CBits& bits);
    bool ReadFloor1(CBits& bits);
    bool ReadResidues(CBits& bits);
    bool ReadMappings(CBits& bits, int channels);
    bool ReadModes(CBits& bits);

    uint32_t Books = 0;
    uint32_t Floors = 0;
    uint32_t Residues = 0;
    uint32_t Mappings = 0;
};

} // namespace korvane::backend
