#include "audio/backend/decode/VorbisHeaders.h"

#include "audio/backend/decode/SongFile.h"

#include <ogg/ogg.h>

#include <cstdio>
#include <cstring>

namespace korvane::backend
{
namespace
{
bool IsIdentification(const ogg_packet& packet)
{
    return packet.bytes >= 7 && packet.packet[0] == 1 &&
           std::memcmp(packet.packet + 1, "vorbis", 6) == 0;
}

// Owns the libogg states of one read; the stream state only once a Vorbis stream was chosen.
class CHeaderPages
{
public:
    CHeaderPages() { ogg_sync_init(&Sync); }
    ~CHeaderPages()
    {
        if (HasStream)
            ogg_stream_clear(&Stream);
        ogg_sync_clear(&Sync);
        if (File)
            std::fclose(File);
    }
    CHeaderPages(const CHeaderPages&) = delete;
    CHeaderPages& operator=(const CHeaderPages&) = delete;

    bool Open(const std::string& path, int64_t offset)
    {
        File = OpenSongStream(path);
        return File && offset >= 0 && fseeko(File, off_t(offset), SEEK_SET) == 0;
    }

    bool Read(SVorbisHeaders& headers)
    {
        std::vector<uint8_t>* const slots[] = {&headers.Identification, &headers.Comment,
                                               &headers.Setup};
        size_t filled = 0;
        ogg_page page;
        while (filled < 3)
        {
            const int got = ogg_sync_pageout(&Sync, &page);
            if (got < 0)
                continue; // bytes between pages: libogg skips them
            if (got == 0)
            {
                if (!Fill())
                    return false;
                continue;
            }
            if (!HasStream)
            {
                if (!ogg_page_bos(&page) || !Choose(page, headers.Identification))
                    continue;
                filled = 1;
            }
            else if (ogg_page_serialno(&page) != Serial)
                continue;
            else if (ogg_stream_pagein(&Stream, &page) != 0)
                return false;
            ogg_packet packet;
            int result;
            while (filled < 3 && (result = ogg_stream_packetout(&Stream, &packet)) != 0)
            {
                if (result < 0)
                    return false; // a gap inside the headers
                slots[filled++]->assign(packet.packet, packet.packet + packet.bytes);
            }
        }
        return true;
    }

private:
    bool Fill()
    {
        constexpr long Chunk = 8192;
        char* buffer = ogg_sync_buffer(&Sync, Chunk);
        const size_t n = buffer ? std::fread(buffer, 1, size_t(Chunk), File) : 0;
        return n > 0 && ogg_sync_wrote(&Sync, long(n)) == 0;
    }

    // Takes the stream of this opening page when its first packet is a Vorbis identification.
    bool Choose(ogg_page& page, std::vector<uint8_t>& identification)
    {
        ogg_stream_init(&Stream, ogg_page_serialno(&page));
        ogg_packet packet;
        if (ogg_stream_pagein(&Stream, &page) == 0 && ogg_stream_packetout(&Stream, &packet) == 1 &&
            IsIdentification(packet))
        {
            identification.assign(packet.packet, packet.packet + packet.bytes);
            Serial = ogg_page_serialno(&page);
            HasStream = true;
            return true;
        }
        ogg_stream_clear(&Stream);
        return false;
    }

    std::FILE* File = nullptr;
    ogg_sync_state Sync{};
    ogg_stream_state Stream{};
    bool HasStream = false;
    int Serial = 0;
};
} // namespace

bool ReadVorbisHeaders(const std::string& path, int64_t offset, SVorbisHeaders& headers)
{
    headers = SVorbisHeaders{};
    CHeaderPages pages;
    return pages.Open(path, offset) && pages.Read(headers);
}

} // namespace korvane::backend
