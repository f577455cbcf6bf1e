#pragma once
#include <chrono>

// Work on threads nobody joins: a read of a file on a network mount that died can hang for
// good, and neither a frame nor the game's exit may wait on it for long. Any thread.
namespace DetachedWork
{
// Counts one piece of work as running while it lives.
class CRunning
{
public:
    CRunning();
    ~CRunning();
    CRunning(const CRunning&) = delete;
    CRunning& operator=(const CRunning&) = delete;
};

// What main returns: `code`, once no detached work runs. Work still running after a short
// grace (a save finishing) is cut: the program then ends at once with `code`, after flushing
// the standard streams, instead of running static destructors the work may still use.
int ExitCode(int code);

// Work asked for whose answer the game still waits for (waiting for a thread, or being done):
// a worker adds what it is asked and takes away what it answered or dropped.
void AddPending(int delta);
int Pending();
// Waits until no work is pending, at most `most`; false when some still is. The game never
// waits so: a pacer that stands for the time a frame lasts does, where background work has
// all of that time.
bool AwaitNonePending(std::chrono::milliseconds most);
} // namespace DetachedWork
