#pragma once
// PlaybackContext: the document's audio state behind one re-entrant lock. It
// owns the master image, the play buffer and the output device, and points at
// the range being played (a track of the view's list, or the shared empty
// track). The play task and the window thread both lock it before they touch
// any of the four; lock() and unlock() make it usable with std::lock_guard,
// and try_lock() with std::unique_lock(context, std::try_to_lock), for a timer
// that skips a tick rather than wait.
//
// The lock is held for short steps only: a play loop reads one block and
// queues it under the lock, but waits for the device's pace outside it (through
// sharedDevice(), which keeps a device alive while a new master replaces it).
// rangeGeneration() tells such a loop whether the range it began on is still
// the range, so it never reads a track that the window thread let go of.
//
// The device is made by a factory so that the engine does not depend on the
// sound layer; the window program passes one that opens a WaveOutDevice with 32
// buffers per second, tests pass one that makes a test device.

#include "core/sample_buffer.h"
#include "core/sample_stream.h"
#include "core/track_segment.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace sundra {

class PlaybackContext {
public:
    // Opens an output device for a format; throws Exception when it cannot.
    using DeviceFactory = std::function<std::unique_ptr<SampleWriter>(const WaveFormat&)>;

    // Device buffers per second, and the play buffer holds one of them.
    static constexpr std::int32_t kBuffersPerSecond = 32;

    // Takes master and opens the device for its format. The device factory's
    // Exception propagates (nothing is kept then).
    PlaybackContext(std::unique_ptr<SampleReaderWriter> master, DeviceFactory makeDevice);
    // Releases the device (which lets queued sound finish), the buffer, then the
    // master.
    ~PlaybackContext();
    PlaybackContext(const PlaybackContext&) = delete;
    PlaybackContext& operator=(const PlaybackContext&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

    // Installs stream as the new master. When its format differs from the
    // device's, a new device is opened first; if that throws, nothing has
    // changed and stream still holds the caller's object. Otherwise the old
    // master is released (every track over it becomes invalid) and the range
    // falls back to the shared empty track.
    void setMaster(std::unique_ptr<SampleReaderWriter>&& stream);
    // The caller keeps owning track and must move the range elsewhere before it
    // releases it.
    void setRange(TrackSegment& track);
    void setRangeDefault();
    // Counts setRange, setRangeDefault and setMaster: equal counts mean the
    // range is the same object, with nothing installed in its place since.
    std::uint64_t rangeGeneration() const { return rangeGeneration_; }

    // For holders of the lock.
    SampleReaderWriter& master() { return *master_; }
    TrackSegment& range() { return *range_; }
    SampleBuffer& buffer() { return *buffer_; }
    SampleWriter& device() { return *device_; }
    // The device, kept alive for a holder that waits on it after unlocking.
    std::shared_ptr<SampleWriter> sharedDevice() { return device_; }

    // The peak level (channelPeak) of channel 0 or 1 in the block played last,
    // for meters: any thread may read it without the lock. The play loops
    // publish it for every block they queue and clear it when they begin, so
    // a meter never shows a block that was read for anything else.
    double playedLevel(int channel) const {
        return playedLevels_[channel == 0 ? 0 : 1].load(std::memory_order_relaxed);
    }
    // For holders of the lock: publishes the levels of the play buffer.
    void publishPlayedLevels();
    void clearPlayedLevels();

private:
    static std::unique_ptr<SampleBuffer> makeBuffer(const WaveFormat& format);

    std::recursive_mutex mutex_;
    DeviceFactory makeDevice_;
    // Declared in order of acquisition, so they are released in reverse.
    std::unique_ptr<SampleReaderWriter> master_;
    TrackSegment* range_;
    std::unique_ptr<SampleBuffer> buffer_;
    std::shared_ptr<SampleWriter> device_;
    std::uint64_t rangeGeneration_ = 0;
    std::array<std::atomic<double>, 2> playedLevels_{};
};

} // namespace sundra
