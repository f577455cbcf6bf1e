#include "audio/backend/OpenReader.h"

#include "audio/backend/Mp3Reader.h"
#include "audio/backend/OggReader.h"
#include "audio/backend/SongFile.h"
#include "audio/backend/WavReader.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace korvane::backend
{
namespace
{
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

bool LooksLikeMpeg(const std::vector<uint8_t>& head, size_t start)
{
    // Some files carry a little junk before the first frame; look a short way in.
    for (size_t i = start; i + 4 <= head.size() && i < start + 8192; ++i)
    {
        uint32_t first = 0, second = 0;
        const size_t bytes = MpegFrameBytes(&head[i], first);
        if (bytes < 24 || i + bytes + 4 > head.size())
            continue;
        if (MpegFrameBytes(&head[i + bytes], second) > 0 && first == second)
            return true;
    }
    return false;
}
} // namespace

EContainer SniffContainer(const std::string& path)
{
    std::FILE* file = OpenSongStream(path);
    if (!file)
        return EContainer::Unknown;
    std::vector<uint8_t> head(10);
    size_t got = std::fread(head.data(), 1, head.size(), file);
    head.resize(got);
    size_t start = 0;
    if (got == 10 && std::memcmp(head.data(), "ID3", 3) == 0)
    {
        // An ID3v2 tag (pictures can make it megabytes long) stands before the audio.
        start = (size_t(head[6] & 0x7F) << 21 | size_t(head[7] & 0x7F) << 14 |
                 size_t(head[8] & 0x7F) << 7 | size_t(head[9] & 0x7F)) +
                10 + ((head[5] & 0x10) ? 10 : 0);
        if (std::fseek(file, long(start), SEEK_SET) == 0)
        {
            head.assign(16384, 0);
            head.resize(std::fread(head.data(), 1, head.size(), file));
            start = 0;
        }
    }
    else
    {
        head.resize(16384);
        head.resize(got + std::fread(head.data() + got, 1, head.size() - got, file));
    }
    std::fclose(file);
    auto startsWith = [&](const char* tag)
    { return head.size() >= 4 && std::memcmp(head.data(), tag, 4) == 0; };
    if (start == 0 && startsWith("OggS"))
        return EContainer::Ogg;
    if (start == 0 &&
        (startsWith("RIFF") || startsWith("RIFX") || startsWith("RF64") || startsWith("FORM")))
        return EContainer::Riff;
    return LooksLikeMpeg(head, start) ? EContainer::Mpeg : EContainer::Unknown;
}

std::unique_ptr<CReader> OpenReader(const std::string& path)
{
    switch (SniffContainer(path))
    {
    case EContainer::Mpeg:
    {
        auto reader = std::make_unique<CMp3Reader>();
        if (reader->Open(path))
            return reader;
        break;
    }
    case EContainer::Ogg:
    {
        auto reader = std::make_unique<COggReader>();
        if (reader->Open(path))
            return reader;
        break;
    }
    case EContainer::Riff:
    {
        auto reader = std::make_unique<CWavReader>();
        if (reader->Open(path))
            return reader;
        break;
    }
    case EContainer::Unknown:
        break;
    }
    return nullptr;
}

} // namespace korvane::backend
