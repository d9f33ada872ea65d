#include "audio/playback_tasks.h"

#include "core/sample_buffer.h"

#include <memory>
#include <mutex>

namespace sundra {

namespace {

// The pause between the end of the track and its start again.
constexpr std::uint32_t kLoopPauseMs = 100;
// How long one wait for the device lasts before the stop event is looked at
// again: about one block, so that Stop never waits for a stalled device.
constexpr std::uint32_t kDeviceSliceMs = 1000 / PlaybackContext::kBuffersPerSecond;

std::shared_ptr<SampleWriter> deviceOf(PlaybackContext& playback) {
    std::lock_guard guard(playback);
    return playback.sharedDevice();
}

// Waits, without the playback lock, until device takes a block at once; false
// when a stop is requested first.
bool waitForDevice(SampleWriter& device, Event& stopEvent) {
    while (!device.waitUntilWritable(kDeviceSliceMs)) {
        if (stopEvent.lock(0)) {
            return false;
        }
    }
    return !stopEvent.lock(0);
}

} // namespace

bool PlayTask::begin() {
    playback_.clearPlayedLevels();
    return true;
}

int PlayTask::run(Event& stopEvent) {
    std::shared_ptr<SampleWriter> device = deviceOf(playback_);
    while (waitForDevice(*device, stopEvent)) {
        bool exhausted = false;
        {
            std::lock_guard guard(playback_);
            // The range is fetched for every block: selecting another track
            // during playback switches to it, and selecting none ends the play.
            TrackSegment& range = playback_.range();
            if (range.length() == 0) {
                return 0;
            }
            SampleBuffer& buffer = playback_.buffer();
            if (readIntoBuffer(range, buffer) == 0) {
                range.seek(0);
                exhausted = true;
            }
            // An exhausted range writes an empty block.
            writeBuffer(playback_.device(), buffer);
            playback_.publishPlayedLevels();
            device = playback_.sharedDevice();
        }
        if (exhausted && stopEvent.lock(kLoopPauseMs)) {
            break;
        }
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

bool ShotPlayTask::rangeUntouched(std::int32_t leftAt) {
    return playback_.rangeGeneration() == generation_ &&
           (leftAt < 0 || playback_.range().tell() == leftAt);
}

bool ShotPlayTask::begin() {
    playback_.clearPlayedLevels();
    return true;
}

int ShotPlayTask::run(Event& stopEvent) {
    // The excerpt keeps its own place: the range's position is the window's
    // between blocks.
    std::int32_t played = 0;
    std::int32_t returnTo = -1;
    std::int32_t leftAt = -1;
    std::shared_ptr<SampleWriter> device = deviceOf(playback_);
    while (waitForDevice(*device, stopEvent)) {
        std::lock_guard guard(playback_);
        if (!rangeUntouched(leftAt)) {
            // Another track, a new master or a moved position: the window
            // thread has taken over, and the position is its.
            return 0;
        }
        TrackSegment& range = playback_.range();
        if (returnTo < 0) {
            returnTo = range.tell();
        }
        excerpt_.seek(played);
        SampleBuffer& buffer = playback_.buffer();
        const std::int32_t frames = readIntoBuffer(excerpt_, buffer);
        if (frames == 0) {
            range.seek(returnTo);
            return 0;
        }
        played += frames;
        writeBuffer(playback_.device(), buffer);
        playback_.publishPlayedLevels();
        leftAt = range.tell();
        device = playback_.sharedDevice();
    }
    std::lock_guard guard(playback_);
    if (returnTo >= 0 && rangeUntouched(leftAt)) {
        playback_.range().seek(returnTo);
    }
    return 0;
}

} // namespace sundra
