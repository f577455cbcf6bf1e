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
#include <taglib/mpegproperties.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xingheader.h>

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

// True when an MPEG file's Xing/Info header counts every byte between its first frame and its
// end tags: its frame count is then the file's. A file cut short (a download broken off) or
// grown (two files joined) keeps a header that no longer holds.
bool XingHeaderHolds(TagLib::MPEG::File& file)
{
    const TagLib::MPEG::Properties* properties = file.audioProperties();
    const TagLib::MPEG::XingHeader* xing = properties ? properties->xingHeader() : nullptr;
    if (!xing || !xing->isValid() || file.hasAPETag() || file.firstFrameOffset() < 0)
        return false;
    const auto end = file.length() - (file.hasID3v1Tag() ? 128 : 0);
    return xing->totalSize() > 0 && end - file.firstFrameOffset() == xing->totalSize();
}

// The tag kinds a file of this container can carry; pictures are never loaded. For MPEG audio
// also whether its header gives the length (the first frame is read for that).
void ReadTags(TagLib::IOStream* stream, EContainer container, STrackTags& tags,
              bool& mpegHeaderHolds)
{
    TagLib::ID3v2::FrameFactory* id3 = TagLib::ID3v2::FrameFactory::instance();
    switch (container)
    {
    case EContainer::Mpeg:
    {
        // The file's tag merges ID3v2, then APE, then ID3v1, field by field.
        TagLib::MPEG::File file(stream, id3, true, TagLib::AudioProperties::Fast);
        if (!file.isValid())
            break;
        CopyTags(file.tag(), tags);
        mpegHeaderHolds = XingHeaderHolds(file);
        break;
    }
    case EContainer::Adts: // an ID3v2 tag before the frames, if any
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
void ReadTags(const std::string& path, EContainer container, STrackTags& tags,
              bool& mpegHeaderHolds)
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
    ReadTags(&stream, container, tags, mpegHeaderHolds);
}
} // namespace

bool ProbeTrack(const std::string& path, STrackTags& tags, bool quick)
{
    tags = STrackTags{};
    const CHeldSong held(path); // one open of the file for the sniff, the tags and the length
    if (!held.IsOpen())
        return false;
    const EContainer container = SniffContainer(path);
    if (container == EContainer::Unknown)
        return false;
    bool mpegHeaderHolds = false;
    try
    {
        ReadTags(path, container, tags, mpegHeaderHolds);
    }
    catch (const std::exception&)
    {
        // A tag TagLib cannot read counts as absent; the song itself is fine.
        tags.Title.clear();
        tags.Artist.clear();
        mpegHeaderHolds = false;
    }
    // The tag reader is done with the shared descriptor before the decoder takes it.
    tags.FromHeader = quick && mpegHeaderHolds;
    const std::unique_ptr<CReader> reader = OpenReader(path, 0, tags.FromHeader);
    if (!reader)
    {
        tags = STrackTags{};
        return false;
    }
    tags.LengthBytes = reader->Frames() * 2 * reader->Channels();
    return true;
}

} // namespace korvane::backend
