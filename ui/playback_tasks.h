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

class PlayTask : public sundra::WorkerTask {
public:
    explicit PlayTask(sundra::PlaybackContext& playback) : playback_(playback) {}
    int run(sundra::Event& stopEvent) override;

private:
    sundra::PlaybackContext& playback_;
};

// Which part of the current range a shot play plays.
enum class ShotKind { FromTop, ToMark, FromMark, ToEnd };

class ShotPlayTask : public sundra::WorkerTask {
public:
    // excerpt is a segment over the current range (already normalised).
    ShotPlayTask(sundra::PlaybackContext& playback, const sundra::TrackSegment& excerpt)
        : playback_(playback), excerpt_(excerpt) {}

    // The excerpt of kind over range, whose position is P, with shot length
    // shotFrames; normalised, so it may be shorter than shotFrames or empty.
    static sundra::TrackSegment excerptOf(sundra::TrackSegment& range, ShotKind kind,
                                          std::int32_t shotFrames);

    int run(sundra::Event& stopEvent) override;

    // Returns once the worker holds the playback lock (or the run has ended).
    // The owner waits for this right after starting the task, so that no window
    // handler can replace the excerpt's parent before the excerpt plays.
    void waitUntilLocked();

private:
    void markLocked();

    sundra::PlaybackContext& playback_;
    sundra::TrackSegment excerpt_;
    std::mutex mutex_;
    std::condition_variable lockedChanged_;
    bool locked_ = false;
};
