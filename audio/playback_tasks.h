#pragma once
// The two tasks the main view runs on its worker thread. PlayTask loops the
// current range of the playback context until a stop is requested, one block
// per lock, so that the window thread can select another track, move the
// position or edit between blocks. ShotPlayTask plays one excerpt of the current
// range, holding the lock for the whole excerpt, and puts the range's position
// back afterwards. Both use the context; neither owns it. No Qt here.

#include "audio/worker_thread.h"
#include "core/playback_context.h"
#include "core/track_segment.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace sundra {

class PlayTask : public WorkerTask {
public:
    explicit PlayTask(PlaybackContext& playback) : playback_(playback) {}
    int run(Event& stopEvent) override;

private:
    PlaybackContext& playback_;
};

// Which part of the current range a shot play plays.
enum class ShotKind { FromTop, ToMark, FromMark, ToEnd };

class ShotPlayTask : public WorkerTask {
public:
    // excerpt is a segment over the current range (already normalised).
    ShotPlayTask(PlaybackContext& playback, const TrackSegment& excerpt)
        : playback_(playback), excerpt_(excerpt) {}

    // The excerpt of kind over range, whose position is P, with shot length
    // shotFrames; normalised, so it may be shorter than shotFrames or empty.
    static TrackSegment excerptOf(TrackSegment& range, ShotKind kind, std::int32_t shotFrames);

    int run(Event& stopEvent) override;

    // Returns once the worker holds the playback lock (or the run has ended).
    // The owner waits for this right after starting the task, so that no window
    // handler can replace the excerpt's parent before the excerpt plays.
    void waitUntilLocked();

private:
    void markLocked();

    PlaybackContext& playback_;
    TrackSegment excerpt_;
    std::mutex mutex_;
    std::condition_variable lockedChanged_;
    bool locked_ = false;
};

} // namespace sundra
