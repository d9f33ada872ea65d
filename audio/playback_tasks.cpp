#include "audio/playback_tasks.h"

#include "core/sample_buffer.h"

#include <chrono>
#include <thread>

namespace sundra {

int PlayTask::run(Event& stopEvent) {
    while (!stopEvent.lock(0)) {
        std::lock_guard guard(playback_);
        // The range is fetched for every block: selecting another track during
        // playback switches to it.
        TrackSegment& range = playback_.range();
        SampleBuffer& buffer = playback_.buffer();
        if (readIntoBuffer(range, buffer) == 0) {
            range.seek(0);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        // An exhausted range writes an empty block; the device's wait for a
        // free buffer paces the loop.
        writeBuffer(playback_.device(), buffer);
    }
    return 0;
}

TrackSegment ShotPlayTask::excerptOf(TrackSegment& range, ShotKind kind, std::int32_t shotFrames) {
    const std::int64_t position = range.tell();
    const std::int64_t length = range.length();
    std::int64_t start = 0;
    std::int64_t end = 0;
    switch (kind) {
    case ShotKind::FromTop:
        start = 0;
        end = shotFrames;
        break;
    case ShotKind::ToMark:
        start = position - shotFrames;
        end = position;
        break;
    case ShotKind::FromMark:
        start = position;
        end = position + shotFrames;
        break;
    case ShotKind::ToEnd:
        start = length - shotFrames;
        end = length;
        break;
    }
    // Clamp in 64 bits first so that P + L cannot overflow; normalize() then
    // orders the bounds.
    auto clamp = [length](std::int64_t value) {
        return static_cast<std::int32_t>(value < 0 ? 0 : (value > length ? length : value));
    };
    TrackSegment excerpt(range, clamp(start), clamp(end));
    excerpt.normalize();
    return excerpt;
}

int ShotPlayTask::run(Event& stopEvent) {
    std::lock_guard guard(playback_);
    markLocked();
    TrackSegment& range = playback_.range();
    const std::int32_t remembered = range.tell();
    excerpt_.seek(0);
    if (!stopEvent.lock(0)) {
        SampleBuffer& buffer = playback_.buffer();
        while (readIntoBuffer(excerpt_, buffer) > 0) {
            writeBuffer(playback_.device(), buffer);
            if (stopEvent.lock(0)) {
                break;
            }
        }
    }
    range.seek(remembered);
    return 0;
}

void ShotPlayTask::waitUntilLocked() {
    std::unique_lock lock(mutex_);
    lockedChanged_.wait(lock, [this] { return locked_; });
}

void ShotPlayTask::markLocked() {
    {
        std::lock_guard lock(mutex_);
        locked_ = true;
    }
    lockedChanged_.notify_all();
}

} // namespace sundra
