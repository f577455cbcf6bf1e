#include "audio/AudioFile.h"

#include "audio/Audio.h"
#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/output/ClickTrack.h"
#include "audio/backend/output/PlaybackStream.h"
#include "audio/backend/reads/DecodeStream.h"
#include "platform/Log.h"

#include <cmath>

namespace
{
// Non-zero and distinct for every stream ever opened, so a stale handle never matches.
uint32_t NextHandle()
{
    static uint32_t last = 0;
    if (++last == 0)
        ++last;
    return last;
}

bool Refused(const std::string& path)
{
    korvane::backend::LogRefusal(path);
    return false;
}
} // namespace

CAudioFile::CAudioFile() = default;

CAudioFile::~CAudioFile()
{
    Close();
}

bool CAudioFile::Open(CAudio& engine, const std::string& path)
{
    Close();
    return Adopt(korvane::backend::CPlaybackStream::Open(engine.GetOutput(), path)) ||
           Refused(path);
}

bool CAudioFile::Open(CAudio& engine, std::unique_ptr<korvane::backend::CReader> reader,
                      const std::string& path)
{
    Close();
    if (!reader)
        return false;
    if (Adopt(korvane::backend::CPlaybackStream::Open(engine.GetOutput(), std::move(reader))))
        return true;
    Log("Could not load %s\n", path.c_str());
    return false;
}

bool CAudioFile::OpenDecoding(const std::string& path)
{
    Close();
    return Adopt(korvane::backend::CDecodeStream::Open(path, PreloadLimit)) || Refused(path);
}

bool CAudioFile::OpenClickTrack(CAudio& engine, int64_t periodFrames, int64_t clicks)
{
    Close();
    auto track = std::make_unique<korvane::backend::CClickTrack>(periodFrames, clicks);
    if (Adopt(korvane::backend::CPlaybackStream::Open(engine.GetOutput(), std::move(track))))
        return true;
    Log("Could not play the click track\n");
    return false;
}

bool CAudioFile::Adopt(std::unique_ptr<korvane::backend::CStream> stream)
{
    if (!stream)
        return false;
    Stream = std::move(stream);
    Handle = NextHandle();
    Length = uint64_t(Stream->LengthBytes());
    Frequency = Stream->Rate();
    return true;
}

void CAudioFile::Close()
{
    if (Handle == 0)
        return;
    Stream.reset();
    Handle = 0;
    Length = 0;
}

bool CAudioFile::IsPlaying() const
{
    return Handle != 0 && Stream->IsPlaying();
}

void CAudioFile::Play()
{
    if (Handle != 0)
        Stream->Play();
}

void CAudioFile::Pause()
{
    if (Handle != 0)
        Stream->Pause();
}

void CAudioFile::Resume()
{
    if (Handle != 0)
        Stream->Resume();
}

void CAudioFile::Stop()
{
    if (Handle != 0)
        Stream->Stop();
}

int32_t CAudioFile::GetFrequency() const
{
    return Handle != 0 ? Frequency : 1;
}

uint32_t CAudioFile::GetHandle() const
{
    return Handle;
}

uint64_t CAudioFile::GetLength() const
{
    return Handle != 0 ? Length : 0;
}

uint64_t CAudioFile::GetPosition() const
{
    return Handle != 0 ? uint64_t(Stream->PositionBytes()) : 0;
}

bool CAudioFile::SetPosition(int64_t bytes)
{
    if (Handle == 0)
        return false;
    Stream->SetPositionBytes(bytes); // like the position reads, a failed seek is not reported
    return true;
}

uint32_t CAudioFile::GetLevel()
{
    return Handle != 0 ? Stream->ReadLevel() : 0;
}

korvane::backend::ERead CAudioFile::GetSpectrum(float* magnitudes4096)
{
    return Handle != 0 ? Stream->ReadSpectrum(magnitudes4096) : korvane::backend::ERead::Failed;
}

int64_t CAudioFile::Seconds2Bytes(double seconds) const
{
    if (Handle == 0 || !(seconds > 0.0))
        return 0;
    // A hair of tolerance so that 2.3 s is not one frame short through rounding.
    const auto frames = int64_t(std::floor(seconds * Frequency + 1e-6));
    return frames * Stream->BytesPerFrame();
}

double CAudioFile::Bytes2Seconds(int64_t bytes) const
{
    if (Handle == 0)
        return 0.0;
    const int64_t frames = bytes / Stream->BytesPerFrame();
    return double(frames) / Frequency;
}
