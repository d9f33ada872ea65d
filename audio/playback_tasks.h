#pragma once
// The two tasks the main view runs on its worker thread. PlayTask loops the
// current range of the playback context until a stop is requested, and ends by
// itself when the range is empty (nothing selected, or an empty track).
// ShotPlayTask plays one excerpt of the current range and puts the range's
// position back afterwards. Both use the context; neither owns it. No Qt here.
//
// Both take the playback lock for one block at a time (read it, queue it) and
// wait for a free device buffer, the pace of playback, without it: the window
// thread never waits on the lock for longer than one block. Whatever the window
// thread does between two blocks wins: a shot play ends when the range is
// replaced (setRange, setRangeDefault, setMaster) or its position was moved.

#include "audio/worker_thread.h"
#include "core/playback_context.h"
#include "core/track_segment.h"

#include <cstdint>

namespace sundra {

class PlayTask : public WorkerTask {
public:
    explicit PlayTask(PlaybackContext& playback) : playback_(playback) {}
    // Clears the played levels: the meters start from silence.
    bool begin() override;
    int run(Event& stopEvent) override;

private:
    PlaybackContext& playback_;
};

// Which part of the current range a shot play plays.
enum class ShotKind { FromTop, ToMark, FromMark, ToEnd };

class ShotPlayTask : public WorkerTask {
public:
    // excerpt is a segment over the current range (already normalised). Made
    // under the playback lock, right after excerptOf: the task plays only while
    // the range stays the one it was made on.
    ShotPlayTask(PlaybackContext& playback, const TrackSegment& excerpt)
        : playback_(playback), excerpt_(excerpt), generation_(playback.rangeGeneration()) {}

    // The excerpt of kind over range, whose position is P, with shot length
    // shotFrames; normalised, so it may be shorter than shotFrames or empty.
    static TrackSegment excerptOf(TrackSegment& range, ShotKind kind, std::int32_t shotFrames);

    bool begin() override;
    int run(Event& stopEvent) override;

private:
    // Under the lock: whether the range is still the one of the excerpt and
    // its position still where the last block left it (-1: no block yet).
    bool rangeUntouched(std::int32_t leftAt);

    PlaybackContext& playback_;
    TrackSegment excerpt_;
    std::uint64_t generation_;
};

} // namespace sundra
