// The view's play and shot-play tasks against the window thread's handlers:
// selection, meter ticks and position moves all take the playback lock, and the
// play task takes it for one block at a time. Run under ThreadSanitizer too.

#include "audio/playback_tasks.h"
#include "audio/worker_thread.h"
#include "core/playback_context.h"
#include "core/units.h"
#include "tests/core/memory_stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace sundra {
namespace {

constexpr std::int16_t kFirstTrackValue = 1000;
constexpr std::int16_t kSecondTrackValue = 2000;

// An output device that keeps, for every block written, its size and first
// sample. Writes can be held at a gate, to keep a task inside its excerpt.
class LoggingDevice : public SampleWriter {
public:
    explicit LoggingDevice(const WaveFormat& format) : format_(format) {}

    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }

    std::int32_t write(const void* buffer, std::int32_t byteCount) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return gateOpen_; });
        std::int16_t first = 0;
        if (byteCount >= 2)
            std::memcpy(&first, buffer, sizeof first);
        blocks_.push_back({byteCount, first});
        changed_.notify_all();
        return 0;
    }

    struct Block {
        std::int32_t bytes;
        std::int16_t first;
    };

    std::vector<Block> blocks() {
        std::lock_guard lock(mutex_);
        return blocks_;
    }
    // Waits until a block with that first sample arrived after block index from.
    bool waitForValue(std::int16_t value, std::size_t from) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] {
            for (std::size_t i = from; i < blocks_.size(); ++i)
                if (blocks_[i].bytes > 0 && blocks_[i].first == value)
                    return true;
            return false;
        });
    }
    void setGate(bool open) {
        std::lock_guard lock(mutex_);
        gateOpen_ = open;
        changed_.notify_all();
    }

private:
    WaveFormat format_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Block> blocks_;
    bool gateOpen_ = true;
};

class PlaybackTasksTest : public ::testing::Test {
protected:
    PlaybackTasksTest() {
        // Two tracks of 1000 stereo frames each, told apart by their samples.
        auto master = std::make_unique<test::MemoryStream>(WaveFormat{}, 2000);
        std::vector<std::int16_t> samples(4000);
        std::fill(samples.begin(), samples.begin() + 2000, kFirstTrackValue);
        std::fill(samples.begin() + 2000, samples.end(), kSecondTrackValue);
        master->write(samples.data(), 8000);
        playback =
            std::make_unique<PlaybackContext>(std::move(master), [this](const WaveFormat& format) {
                auto made = std::make_unique<LoggingDevice>(format);
                device = made.get();
                return made;
            });
        first = std::make_unique<TrackSegment>(playback->master(), 0, 1000);
        second = std::make_unique<TrackSegment>(playback->master(), 1000, 2000);
    }
    ~PlaybackTasksTest() override {
        worker.requestStop();
        worker.wait(kInfinite);
        std::lock_guard guard(*playback);
        playback->setRangeDefault();
    }

    void select(TrackSegment& track) {
        std::lock_guard guard(*playback);
        playback->setRange(track);
        track.seek(0);
    }

    std::unique_ptr<PlaybackContext> playback;
    LoggingDevice* device = nullptr;
    std::unique_ptr<TrackSegment> first;
    std::unique_ptr<TrackSegment> second;
    WorkerThread worker;
};

TEST_F(PlaybackTasksTest, PlayFollowsTheSelectionWhileTheWindowThreadWorksUnderTheLock) {
    select(*first);
    PlayTask task(*playback);
    ASSERT_TRUE(worker.start(task));
    ASSERT_TRUE(device->waitForValue(kFirstTrackValue, 0));

    // Meter ticks and position-bar moves, as the window thread makes them.
    for (int tick = 0; tick < 50; ++tick) {
        std::lock_guard guard(*playback);
        EXPECT_LE(positionBar(playback->range()), 1000);
        EXPECT_LE(channelPeak(playback->buffer(), 0), kFirstTrackValue / 32768.0);
        playback->range().seek(tick * 10);
    }

    // Selecting the other track switches playback to it at once: every block
    // written after the switch comes from the new track, also after it loops.
    std::size_t switchedAt = 0;
    {
        std::lock_guard guard(*playback);
        playback->setRange(*second);
        second->seek(0);
        switchedAt = device->blocks().size();
    }
    ASSERT_TRUE(device->waitForValue(kSecondTrackValue, switchedAt));
    const std::size_t oneLoop = device->blocks().size() + 3; // the track is one block long
    ASSERT_TRUE(device->waitForValue(kSecondTrackValue, oneLoop));
    EXPECT_FALSE(worker.wait(0)) << "play only ends on a stop";

    // Stop: request and join without the lock, then back to the mark.
    ASSERT_TRUE(worker.requestStop());
    ASSERT_TRUE(worker.wait(kInfinite));
    const std::vector<LoggingDevice::Block> blocks = device->blocks();
    for (std::size_t i = switchedAt; i < blocks.size(); ++i) {
        if (blocks[i].bytes > 0) {
            EXPECT_EQ(blocks[i].first, kSecondTrackValue) << "block " << i;
        }
    }
    std::lock_guard guard(*playback);
    playback->range().seek(0);
    EXPECT_EQ(second->tell(), 0);
}

TEST_F(PlaybackTasksTest, AShotPlayHoldsTheLockForItsExcerptAndPutsThePositionBack) {
    select(*first);
    first->seek(300); // the mark
    const TrackSegment excerpt = ShotPlayTask::excerptOf(*first, ShotKind::FromMark, 200);
    ASSERT_EQ(excerpt.start(), 300);
    ASSERT_EQ(excerpt.end(), 500);

    device->setGate(false);
    ShotPlayTask task(*playback, excerpt);
    ASSERT_TRUE(worker.start(task));
    task.waitUntilLocked();
    // A window handler (a position move, an edit) waits until the excerpt ends.
    EXPECT_FALSE(playback->try_lock());
    device->setGate(true);
    ASSERT_TRUE(worker.wait(kInfinite));

    std::int64_t played = 0;
    for (const LoggingDevice::Block& block : device->blocks()) {
        played += block.bytes;
        EXPECT_EQ(block.first, kFirstTrackValue);
    }
    EXPECT_EQ(played, 200 * 4) << "exactly the excerpt's frames";
    std::lock_guard guard(*playback);
    EXPECT_EQ(first->tell(), 300) << "the position is put back to the mark";
}

} // namespace
} // namespace sundra
