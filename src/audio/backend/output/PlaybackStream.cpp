#include "audio/backend/output/PlaybackStream.h"

#include "audio/backend/decode/OpenReader.h"
#include "audio/backend/decode/ResampleReader.h"
#include "audio/backend/decode/StereoReader.h"
#include "audio/backend/output/Output.h"
#include "audio/backend/output/Voice.h"

namespace korvane::backend
{

std::unique_ptr<CPlaybackStream> CPlaybackStream::Open(COutput* output, const std::string& path)
{
    if (!output || !output->IsOpen())
        return nullptr;
    return Open(output, OpenReader(path));
}

std::unique_ptr<CPlaybackStream> CPlaybackStream::Open(COutput* output,
                                                       std::unique_ptr<CReader> reader)
{
    if (!reader || !output || !output->IsOpen())
        return nullptr;
    const int rate = reader->Rate();
    const int channels = reader->Channels();
    const int64_t frames = reader->Frames();
    if (channels != OutputChannels)
        reader = std::make_unique<CStereoReader>(std::move(reader));
    if (rate != OutputRate)
    {
        auto resampler = std::make_unique<CResampleReader>(std::move(reader), OutputRate);
        if (!resampler->Create())
            return nullptr;
        reader = std::move(resampler);
    }
    auto voice = std::make_shared<CVoice>(std::move(reader), rate, frames, *output);
    if (!voice->Seek(0) || !output->Attach(voice))
        return nullptr;
    return std::unique_ptr<CPlaybackStream>(new CPlaybackStream(rate, channels, frames, voice));
}

CPlaybackStream::CPlaybackStream(int rate, int channels, int64_t frames,
                                 std::shared_ptr<CVoice> voice)
    : CStream(rate, channels, frames), Voice(std::move(voice))
{
}

CPlaybackStream::~CPlaybackStream()
{
    if (COutput* output = Voice->Attached())
        output->Detach(Voice);
}

int64_t CPlaybackStream::PositionBytes() const
{
    if (COutput* output = Voice->Attached())
        output->CheckDevice();
    return Voice->HeardFrame() * BytesPerFrame();
}

bool CPlaybackStream::SetPositionBytes(int64_t bytes)
{
    return Voice->Seek(bytes / BytesPerFrame());
}

bool CPlaybackStream::IsPlaying() const
{
    if (COutput* output = Voice->Attached())
        output->CheckDevice();
    return Voice->IsPlaying();
}

void CPlaybackStream::Play()
{
    Voice->Play();
}

void CPlaybackStream::Pause()
{
    Voice->Pause();
}

void CPlaybackStream::Resume()
{
    Voice->Resume();
}

void CPlaybackStream::Stop()
{
    Voice->Stop();
}

} // namespace korvane::backend
