#pragma once

class CFrameHandler;
class CSharedData;

// The one frame loop every screen runs in (the order of a frame: CFrameHandler). Returns true
// when the screen is done and false when the window was closed. The frame's time comes from
// the shared timer and its pause from the shared pacer, so a test that swaps both runs any
// screen without waiting. Main thread only.
bool RunFrames(CFrameHandler& screen, CSharedData& shared);
