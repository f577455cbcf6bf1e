#pragma once
#include "audio/backend/Stream.h"
#include "audio/backend/decode/Reader.h"

#include <memory>
#include <string>

namespace korvane::backend
{
class COutput;
class CVoice;

// A stream heard through the output mixer. Its position is the frame being heard now,
// in bytes of the file's own format. Main thread only (see CVoice for the threads inside).
// It may outlive its output: it then falls silent and ends in time.
class CPlaybackStream final : public CStream
{
public:
    // Null when the file is not a song we decode or there is no open output.
    static std::unique_ptr<CPlaybackStream> Open(COutput* output, const std::string& path);
    // A source of our own making (a click track); null when there is no open output.
    static std::unique_ptr<CPlaybackStream> Open(COutput* output, std::unique_ptr<CReader> reader);
    ~CPlaybackStream() override;

    int64_t PositionBytes() const override;
    bool SetPositionBytes(int64_t bytes) override;
    bool IsPlaying() const override;
    void Play() override;
    void Pause() override;
    void Resume() override;
    void Stop() override;

private:
    CPlaybackStream(int rate, int channels, int64_t frames, std::shared_ptr<CVoice> voice);
    std::shared_ptr<CVoice> Voice;
};

} // namespace korvane::backend
