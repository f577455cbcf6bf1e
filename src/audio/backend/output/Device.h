#pragma once
#include "audio/backend/output/TimeSource.h"

#include <functional>
#include <memory>

namespace korvane::backend
{
class COutput;

// One way of playing the output's mix: SDL's audio device (CSdlDevice) or the tests' stand-in
// (CStandInDevice, tests/support). The output calls Open, Start and Close on the main thread, in
// that order; Lock and Unlock come from the main thread and from whatever threads the device runs
// itself.
class CDevice
{
public:
    virtual ~CDevice() = default;

    virtual bool Open() = 0;                 // ready to play, not calling the output yet
    virtual int GrantedFrames() const = 0;   // the buffer size it plays in, once open
    virtual void Start(COutput& output) = 0; // from now on: output.Mix for every buffer, and
                                             // output.FeedVoices often enough to stay ahead
    virtual void Close() = 0;                // once it returns, it calls the output no more
    virtual CTimeSource Time() const = 0;    // what its callbacks and the voices run on
    virtual void Lock() = 0;                 // the audio lock: Mix never runs while it is held
    virtual void Unlock() = 0;
    virtual void VoicesChanged() {} // a voice came into the mix: feed it without delay
};

// Makes the device an engine plays on: the tests' stand-in is chosen here, never inside the
// engine.
using FMakeDevice = std::function<std::unique_ptr<CDevice>()>;

} // namespace korvane::backend
