#include "audio/backend/decode/ContainerSniff.h"

#include "audio/backend/decode/SongFile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace korvane::backend
{
namespace
{
using Bytes = std::vector<uint8_t>;

// Frame length in bytes of the MPEG audio header at p, 0 when it is not a valid header.
// `signature` receives the fields every frame of one stream shares.
size_t MpegFrameBytes(const uint8_t* p, uint32_t& signature)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (p[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = (p[1] >> 1) & 3;   // 1: III, 2: II, 3: I
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    const int padding = (p[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    static const int Kbps[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int Rates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const int rate = Rates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int layerIndex = 3 - layer; // 0: I, 1: II, 2: III
    const int kbps = Kbps[mpeg1 ? 0 : 1][layerIndex][bitrateIndex];
    signature = uint32_t(p[1] & 0xFE) << 8 | uint32_t(p[2] & 0x0C);
    if (layerIndex == 0)
        return size_t((12 * kbps * 1000 / rate + padding) * 4);
    const int factor = (layerIndex == 2 && !mpeg1) ? 72 : 144;
    return size_t(factor * kbps * 1000 / rate + padding);
}

// Frame length of the ADTS (AAC) header at p, 0 when it is none; `signature` as above.
size_t AdtsFrameBytes(const uint8_t* p, uint32_t& signature)
{
    // Layer bits 00 tell it from MPEG audio; rate indices above 12 are reserved.
    if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0 || ((p[2] >> 2) & 0x0F) > 12)
        return 0;
    signature = uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3] & 0xC0);
    const size_t bytes = size_t(p[3] & 3) << 11 | size_t(p[4]) << 3 | size_t(p[5] >> 5);
    return bytes >= 7 ? bytes : 0;
}

// Two frames in a row whose headers agree, at the start or, with some junk before them, up to
// `searched` bytes in.
bool HasTwoFrames(const Bytes& head, size_t searched, size_t minBytes,
                  size_t (*frameBytes)(const uint8_t*, uint32_t&))
{
    for (size_t i = 0; i + 8 <= head.size() && i <= searched; ++i)
    {
        uint32_t first = 0, second = 0;
        const size_t bytes = frameBytes(&head[i], first);
        if (bytes < minBytes || i + bytes + 8 > head.size())
            continue;
        if (frameBytes(&head[i + bytes], second) > 0 && first == second)
            return true;
    }
    return false;
}

bool At(const Bytes& head, size_t offset, const char* tag, size_t length = 4)
{
    return head.size() >= offset + length && std::memcmp(&head[offset], tag, length) == 0;
}

// The kind of the first packet of an Ogg stream: its first page holds it, after the lacing.
EContainer OggKind(const Bytes& head)
{
    if (head.size() < 27)
        return EContainer::Unknown;
    const size_t packet = 27 + size_t(head[26]);
    if (At(head, packet, "\x01vorbis", 7))
        return EContainer::Ogg;
    if (At(head, packet, "OpusHead", 8))
        return EContainer::Opus;
    return EContainer::Unknown;
}

EContainer Kind(const Bytes& head)
{
    static const uint8_t AsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                          0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    if (At(head, 0, "OggS"))
        return OggKind(head);
    if (At(head, 0, "fLaC"))
        return EContainer::Flac;
    if (At(head, 0, "RIFF") || At(head, 0, "RIFX") || At(head, 0, "RF64"))
        return EContainer::Riff;
    if (At(head, 0, "FORM"))
        return EContainer::Aiff;
    if (At(head, 0, reinterpret_cast<const char*>(AsfHeader), sizeof AsfHeader))
        return EContainer::Asf;
    for (const char* box : {"ftyp", "moov", "mdat", "wide", "free", "skip"})
        if (At(head, 4, box))
            return EContainer::Mp4;
    if (HasTwoFrames(head, 0, 7, AdtsFrameBytes))
        return EContainer::Adts;
    return HasTwoFrames(head, 8192, 24, MpegFrameBytes) ? EContainer::Mpeg : EContainer::Unknown;
}
} // namespace

EContainer SniffContainer(const std::string& path)
{
    std::FILE* file = OpenSongStream(path);
    if (!file)
        return EContainer::Unknown;
    Bytes head(16384);
    head.resize(std::fread(head.data(), 1, head.size(), file));
    if (!At(head, 0, "ID3", 3) || head.size() < 10)
    {
        std::fclose(file);
        return Kind(head);
    }
    // An ID3v2 tag (pictures can make it megabytes long) stands before MPEG, ADTS or FLAC.
    const long tagBytes = long(head[6] & 0x7F) << 21 | long(head[7] & 0x7F) << 14 |
                          long(head[8] & 0x7F) << 7 | long(head[9] & 0x7F);
    const long skip = tagBytes + 10 + ((head[5] & 0x10) ? 10 : 0);
    head.assign(16384, 0);
    head.resize(
        std::fseek(file, skip, SEEK_SET) == 0 ? std::fread(head.data(), 1, head.size(), file) : 0);
    std::fclose(file);
    const EContainer kind = Kind(head);
    return kind == EContainer::Mpeg || kind == EContainer::Adts || kind == EContainer::Flac
               ? kind
               : EContainer::Unknown;
}

} // namespace korvane::backend
