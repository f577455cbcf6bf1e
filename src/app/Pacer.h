#pragma once
#include <cstdint>
#include <functional>

class CGraphics;
class CTimeManager;

// How long the pause after a frame lasts, and how it is spent: the loop's seam. The game's
// pacer sleeps; the tests' pacer moves a stand-in clock instead and sleeps never, and sees
// every frame shown. Main thread only.
class CPacer
{
public:
    // Called while waiting by a pacer that listens: reads what is pending, false to stop waiting.
    using FListen = std::function<bool()>;

    virtual ~CPacer() = default;
    // Waits delayMs after a frame; with `listen`, calls it about every millisecond meanwhile
    // (and at least once) and stops early when it returns false.
    virtual void Wait(uint32_t delayMs, const FListen& listen) = 0;
    // A frame was presented on `graphics` (before its pause).
    virtual void Shown(CGraphics& graphics) { (void)graphics; }
};

// The game's pacer: SDL's sleep, and the timer to tell a listening wait when it is over.
class CSleepPacer : public CPacer
{
public:
    explicit CSleepPacer(const CTimeManager& timer) : Timer(timer) {}
    void Wait(uint32_t delayMs, const FListen& listen) override;

private:
    const CTimeManager& Timer;
};
