#include "audio/backend/decode/Mp3Reader.h"

#include "audio/backend/decode/SongFile.h"

#include <mpg123.h>

#include <algorithm>
#include <mutex>

namespace korvane::backend
{
namespace
{
bool InitLibrary()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = mpg123_init() == MPG123_OK; });
    return ok;
}

// The library reads a frame header, then its body, each with a system call of its own when
// it opens the file itself: twice per frame for the scan, twice again for decoding.
constexpr size_t FileBufferBytes = 64 * 1024;

ssize_t ReadFile(void* file, void* out, size_t bytes)
{
    auto* f = static_cast<std::FILE*>(file);
    const size_t got = std::fread(out, 1, bytes, f);
    return got == 0 && std::ferror(f) ? -1 : ssize_t(got);
}

off_t SeekFile(void* file, off_t offset, int whence)
{
    auto* f = static_cast<std::FILE*>(file);
    return fseeko(f, offset, whence) == 0 ? ftello(f) : off_t(-1);
}
} // namespace

CMp3Reader::~CMp3Reader()
{
    if (Handle)
    {
        mpg123_close(Handle);
        mpg123_delete(Handle);
    }
    if (File)
        std::fclose(File);
}

bool CMp3Reader::Open(const std::string& path, bool headerHolds)
{
    if (!InitLibrary())
        return false;
    Handle = mpg123_new(nullptr, nullptr);
    if (!Handle)
        return false;
    // ADD, never set: setting the flags would drop the default gapless flag.
    mpg123_param(Handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
    // Enough frames decoded ahead of a seek target that the synthesis state, and so the
    // PCM, is the same as when decoding through from the start.
    mpg123_param(Handle, MPG123_PREFRAMES, 32, 0);
    // Damage in the middle of a song must not end it there: the scan and the decoder look
    // as far as it takes for the next good frame (the content was checked before opening).
    mpg123_param(Handle, MPG123_RESYNC_LIMIT, -1, 0);
    mpg123_format_none(Handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(Handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    File = OpenSongStream(path);
    if (!File || std::setvbuf(File, nullptr, _IOFBF, FileBufferBytes) != 0 ||
        mpg123_replace_reader_handle(Handle, ReadFile, SeekFile, nullptr) != MPG123_OK ||
        mpg123_open_handle(Handle, File) != MPG123_OK)
        return false;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(Handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        channels < 1 || channels > 2)
        return false;
    // Pin the first frame's format so a stray frame cannot change it mid-song.
    mpg123_format_none(Handle);
    mpg123_format(Handle, rate, channels, MPG123_ENC_SIGNED_16);
    // Without a scan the library counts from the Xing/Info header, when it found one.
    long accurate = 0;
    double unused = 0;
    const bool counted =
        headerHolds && mpg123_getstate(Handle, MPG123_ACCURATE, &accurate, &unused) == MPG123_OK &&
        accurate == 1;
    if (!counted && mpg123_scan(Handle) != MPG123_OK)
        return false;
    const off_t length = mpg123_length(Handle);
    if (length <= 0)
        return false;
    SampleRate = int(rate);
    ChannelCount = channels;
    Length = int64_t(length);
    return Seek(0);
}

int64_t CMp3Reader::ReadFrames(int16_t* out, int64_t frames)
{
    if (!Handle)
        return 0;
    const size_t want = size_t(frames) * size_t(ChannelCount) * 2;
    size_t total = 0;
    // A broken frame gives MPG123_ERR once; the decoder resyncs on the next call.
    int errors = 0;
    while (total < want)
    {
        size_t done = 0;
        const int rc =
            mpg123_read(Handle, reinterpret_cast<unsigned char*>(out) + total, want - total, &done);
        total += done;
        if (rc == MPG123_DONE)
            break;
        if (rc == MPG123_NEW_FORMAT || rc == MPG123_OK)
        {
            if (done == 0 && rc == MPG123_OK && ++errors > 64)
                break;
            continue;
        }
        if (++errors > 64)
            break;
    }
    return int64_t(total) / (ChannelCount * 2);
}

int64_t CMp3Reader::SeekFrames(int64_t frame)
{
    return Handle ? int64_t(mpg123_seek(Handle, off_t(frame), SEEK_SET)) : -1;
}

} // namespace korvane::backend
