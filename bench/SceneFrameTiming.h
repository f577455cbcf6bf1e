#pragma once
// Frame timing shared by the frame benchmarks: the game's SDL_UpdateRect and SDL_Delay are
// wrapped in these programs (not in the game) so a frame's work can be told apart from the
// screen update and the fixed sleep.
#include <SDL/SDL.h>

#include <functional>
#include <utility>
#include <vector>

class CSharedData;
class CScene;

double ThreadCpuMs();
double WallMs();
double Percentile(std::vector<double> values, double p); // p in 0..1
double SleptWallMs();                                    // all SDL_Delay calls so far

struct SFrames
{
    std::vector<double> WorkCpu;    // ms per frame of the main thread, screen update excluded
    std::vector<double> UpdateWall; // ms per frame spent in the screen update
};

// Called after each measured frame with the frames measured so far; it may push events for
// the next frame and returns false to end the run (a quit event is then pushed).
using FFrameScript = std::function<bool(size_t measured)>;

// Runs one scene until the script ends it; frames from the second one on are measured.
// The scene returned by Run is deleted unrun.
SFrames SceneFrames(CSharedData& shared, CScene* scene, const FFrameScript& script);

void PushEvent(SDL_Event event);
SDL_Event MotionEvent(int x, int y);
SDL_Event ButtonEvent(int x, int y, uint8_t button, bool pressed);
