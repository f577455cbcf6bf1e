#include "audio/backend/decode/TrackProbe.h"

#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/decode/SongFile.h"

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <exception>

#include <unistd.h>

namespace korvane::backend
{
namespace
{
void CopyTags(const TagLib::Tag* tag, STrackTags& tags)
{
    if (!tag)
        return;
    tags.Title = tag->title().to8Bit(true);
    tags.Artist = tag->artist().to8Bit(true);
}

// The tag of one TagLib file type (its own merge of the kinds it carries), read without
// the audio properties.
template <class TFile, class... TArgs>
void CopyFileTags(TagLib::IOStream* stream, STrackTags& tags, TArgs... args)
{
    TFile file(stream, args..., false);
    if (file.isValid())
        CopyTags(file.tag(), tags);
}

// The tag kinds a file of this container can carry; pictures are never loaded.
void ReadTags(TagLib::IOStream* stream, EContainer container, STrackTags& tags)
{
    TagLib::ID3v2::FrameFactory* id3 = TagLib::ID3v2::FrameFactory::instance();
    switch (container)
    {
    case EContainer::Mpeg:
    case EContainer::Adts: // an ID3v2 tag before the frames, if any
        // The file's tag merges ID3v2, then APE, then ID3v1, field by field.
        CopyFileTags<TagLib::MPEG::File>(stream, tags, id3);
        break;
    case EContainer::Ogg:
        CopyFileTags<TagLib::Ogg::Vorbis::File>(stream, tags);
        break;
    case EContainer::Opus:
        CopyFileTags<TagLib::Ogg::Opus::File>(stream, tags);
        break;
    case EContainer::Flac: // Vorbis comments, then ID3v2, then ID3v1
        CopyFileTags<TagLib::FLAC::File>(stream, tags, id3);
        break;
    case EContainer::Mp4:
        CopyFileTags<TagLib::MP4::File>(stream, tags);
        break;
    case EContainer::Asf:
        CopyFileTags<TagLib::ASF::File>(stream, tags);
        break;
    case EContainer::Aiff: // its ID3 chunk
        CopyFileTags<TagLib::RIFF::AIFF::File>(stream, tags);
        break;
    case EContainer::Riff:
    {
        // The file's own tag() is its ID3v2 chunk only; the RIFF INFO chunk fills what it lacks.
        TagLib::RIFF::WAV::File file(stream, false);
        if (!file.isValid())
            break;
        CopyTags(file.ID3v2Tag(), tags);
        STrackTags info;
        if (file.hasInfoTag())
            CopyTags(file.InfoTag(), info);
        if (tags.Title.empty())
            tags.Title = info.Title;
        if (tags.Artist.empty())
            tags.Artist = info.Artist;
        break;
    }
    case EContainer::Unknown:
        break;
    }
}

// TagLib opens by name with a plain fopen, which a pipe put in the song's place would block.
void ReadTags(const std::string& path, EContainer container, STrackTags& tags)
{
    const int fd = OpenSongDescriptor(path);
    if (fd < 0)
        return;
    TagLib::FileStream stream(fd, true); // owns the descriptor once it is open
    if (!stream.isOpen())
    {
        ::close(fd);
        return;
    }
    ReadTags(&stream, container, tags);
}
} // namespace

bool ProbeTrack(const std::string& path, STrackTags& tags)
{
    tags = STrackTags{};
    const EContainer container = SniffContainer(path);
    std::unique_ptr<CReader> reader = OpenReader(path);
    if (!reader)
        return false;
    tags.LengthBytes = reader->Frames() * 2 * reader->Channels();
    try
    {
        ReadTags(path, container, tags);
    }
    catch (const std::exception&)
    {
        // A tag TagLib cannot read counts as absent; the song itself is fine.
        tags.Title.clear();
        tags.Artist.clear();
    }
    return true;
}

} // namespace korvane::backend
