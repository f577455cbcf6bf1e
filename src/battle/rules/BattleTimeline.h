#pragma once
#include <cstdint>
#include <functional>

// The battle's time base: the song position that the catch line shows in each frame. Before
// the music a 2-second count-in runs down (the position is negative and rises to 0, so the
// first weapons are already falling when the music begins); during the music it is what the
// player hears of the music stream; after its end a 1-second run-out carries the lane on
// past the song's length. Count-in and run-out follow the scene clock (milliseconds that stop
// while paused). Positions are bytes of the decoded song. No SDL; main thread only.
class CBattleTimeline
{
public:
    static constexpr int64_t CountInMs = 2000;
    static constexpr int64_t RunOutMs = 1000;

    // The music stream's whole-frame conversion of seconds to bytes.
    using SecondsToBytes = std::function<int64_t(double seconds)>;

    CBattleTimeline() = default;
    virtual ~CBattleTimeline() = default;

    // A new song at a Speed (seconds of Lane::RowsPerSpeed rows): sets the lane's scale and
    // starts the count-in at nowMs. The music is not playing yet.
    void Start(float speed, SecondsToBytes toBytes, int64_t nowMs);
    // Once per frame that is not paused, before UpdatePosition: runs the count-in down and the
    // run-out on. True in the frame in which the count-in ends: the caller starts the music.
    bool Advance(int64_t nowMs);
    // The position of this frame from the music's heard position. False in the one frame in
    // which the music is found ended, which shows no weapons.
    bool UpdatePosition(int64_t musicPosition, bool musicPlaying);

    float SecondsPerLine = 0.0f;
    int64_t BytesPerLine = 0;
    int64_t Position = 0;
    bool CountIn = false;
    int64_t CountInBytes = 0; // still to go
    int64_t CountInStart = 0; // scene-clock milliseconds
    bool RunOut = false;
    int64_t RunOutBytes = 0; // gone by
    int64_t RunOutStart = 0;
    bool SongEnded = false;
    bool Finished = false; // the run-out is over: the frame that finds it is the last

private:
    SecondsToBytes ToBytes;
};
