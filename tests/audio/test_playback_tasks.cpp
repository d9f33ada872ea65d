// The view's play and shot-play tasks against the window thread's handlers:
// selection, meter ticks and position moves all take the playback lock, and
// both tasks take it for one block at a time and wait for the device without
// it. Run under ThreadSanitizer too.

#include "audio/playback_tasks.h"
#include "audio/test_sound_port.h"
#include "audio/wave_out_device.h"
#include "audio/worker_thread.h"
#include "core/playback_context.h"
#include "core/units.h"
#include "tests/core/memory_stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sundra {
namespace {

constexpr std::int16_t kFirstTrackValue = 1000;
constexpr std::int16_t kSecondTrackValue = 2000;

// An output device that keeps, for every block written, its size and first
// sample.
class LoggingDevice : public SampleWriter {
public:
    explicit LoggingDevice(const WaveFormat& format) : format_(format) {}

    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }

    std::int32_t write(const void* buffer, std::int32_t byteCount) override {
        std::lock_guard lock(mutex_);
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

private:
    WaveFormat format_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Block> blocks_;
};

// Two stereo tracks of trackFrames each, told apart by their samples.
std::unique_ptr<test::MemoryStream> twoTracks(std::int32_t trackFrames) {
    auto master = std::make_unique<test::MemoryStream>(WaveFormat{}, 2 * trackFrames);
    std::vector<std::int16_t> samples(4 * static_cast<std::size_t>(trackFrames), kSecondTrackValue);
    std::fill(samples.begin(), samples.begin() + 2 * trackFrames, kFirstTrackValue);
    master->write(samples.data(), static_cast<std::int32_t>(samples.size() * 2));
    master->seek(0);
    return master;
}

class PlaybackTasksTest : public ::testing::Test {
protected:
    PlaybackTasksTest() {
        playback =
            std::make_unique<PlaybackContext>(twoTracks(1000), [this](const WaveFormat& format) {
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

// The same two tracks before a device whose buffers complete when the test
// says so: with all four buffers queued, a task waits for the device, and the
// test thread acts as the window thread in between.
class ScriptedPlaybackTest : public ::testing::Test {
public: // the cases' handlers reach in
    static constexpr std::int32_t kTrackFrames = 20000;
    static constexpr std::int32_t kBlockFrames = 1378; // 1/32 s in whole frames

    ScriptedPlaybackTest() { build(); }

    // A new context of the two tracks, with a new device and script.
    void build() {
        script = std::make_shared<TestSoundScript>();
        playback.reset();
        playback = std::make_unique<PlaybackContext>(
            twoTracks(kTrackFrames), [this](const WaveFormat& format) {
                return std::make_unique<WaveOutDevice>(format, 32,
                                                       std::make_unique<TestSoundPort>(script));
            });
        first = std::make_unique<TrackSegment>(playback->master(), 0, kTrackFrames);
        second = std::make_unique<TrackSegment>(playback->master(), kTrackFrames, 2 * kTrackFrames);
        empty = std::make_unique<TrackSegment>(playback->master(), 500, 500);
    }
    ~ScriptedPlaybackTest() override {
        worker.requestStop();
        playOut();
        std::lock_guard guard(*playback);
        playback->setRangeDefault();
    }

    // A window handler: act under the playback lock, which the task must leave
    // free while it waits for the full device. False when it never did.
    bool windowHandler(const std::function<void()>& act) {
        for (int attempt = 0; attempt < 1000000; ++attempt, std::this_thread::yield()) {
            if (playback->try_lock()) {
                act();
                playback->unlock();
                return true;
            }
        }
        return false;
    }

    // Completes buffers until the task has ended; false when it never does.
    bool playOut() {
        for (int round = 0; round < 2000 && !worker.wait(0); ++round)
            if (script->waitForQueued(1, std::chrono::milliseconds(10)))
                script->completeAll();
        script->completeAll();
        return worker.wait(0);
    }

    std::size_t playedFrames() const { return script->played().size() / 4; }

    std::shared_ptr<TestSoundScript> script = std::make_shared<TestSoundScript>();
    std::unique_ptr<PlaybackContext> playback;
    std::unique_ptr<TrackSegment> first;
    std::unique_ptr<TrackSegment> second;
    std::unique_ptr<TrackSegment> empty;
    WorkerThread worker;
};

TEST_F(ScriptedPlaybackTest, TheWindowTakesTheLockBetweenBlocksAndWhatItDoesThereWins) {
    constexpr std::int32_t kMark = 1000;
    constexpr std::int32_t kShot = 10000; // a little over seven blocks
    constexpr std::size_t kFourBlocks = 4 * kBlockFrames;
    using Act = std::function<void(ScriptedPlaybackTest&)>;
    const Act stop = [](ScriptedPlaybackTest& t) { t.worker.requestStop(); };
    struct Case {
        const char* what;
        bool shot;          // a shot play from the mark, else Play
        int selected;       // 0: the first track, 1: an empty one, 2: none
        Act act;            // between blocks, with the device full; none: the task ends by itself
        std::size_t played; // frames that reach the device
        std::int32_t position; // the master's position afterwards
    };
    const Case cases[] = {
        {"a meter tick during a shot", true, 0,
         [](ScriptedPlaybackTest& t) {
             EXPECT_EQ(t.playback->range().tell(), kMark + kFourBlocks);
             EXPECT_NEAR(channelPeak(t.playback->buffer(), 0), kFirstTrackValue / 32768.0, 1e-6);
             EXPECT_EQ(t.playback->playedLevel(1), channelPeak(t.playback->buffer(), 1));
         },
         kShot, kMark},
        {"a position move ends a shot there", true, 0,
         [](ScriptedPlaybackTest& t) { t.playback->range().seek(5000); }, kFourBlocks, 5000},
        {"another track ends a shot", true, 0,
         [](ScriptedPlaybackTest& t) {
             t.playback->setRange(*t.second);
             t.second->seek(0);
         },
         kFourBlocks, kTrackFrames},
        {"a stop puts a shot's position back", true, 0, stop, kFourBlocks, kMark},
        {"a stop during Play", false, 0, stop, kFourBlocks, kMark + kFourBlocks},
        {"no selection ends Play", false, 0,
         [](ScriptedPlaybackTest& t) { t.playback->setRangeDefault(); }, kFourBlocks,
         kMark + kFourBlocks},
        {"Play of an empty track ends", false, 1, nullptr, 0, 500},
        {"Play of nothing ends", false, 2, nullptr, 0, kMark},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        build();
        std::unique_ptr<WorkerTask> task;
        {
            std::lock_guard guard(*playback);
            // A block read for something else (a position-bar snippet).
            second->seek(0);
            readIntoBuffer(*second, playback->buffer());
            playback->publishPlayedLevels();
            if (c.selected < 2)
                playback->setRange(c.selected == 0 ? *first : *empty);
            first->seek(kMark);
            if (c.selected == 1)
                empty->seek(0);
            if (c.shot)
                task = std::make_unique<ShotPlayTask>(
                    *playback, ShotPlayTask::excerptOf(*first, ShotKind::FromMark, kShot));
            else
                task = std::make_unique<PlayTask>(*playback);
        }
        ASSERT_TRUE(worker.start(*task));
        if (c.act) {
            ASSERT_TRUE(script->waitForQueued(4, std::chrono::seconds(20)));
            EXPECT_TRUE(windowHandler([&] { c.act(*this); }))
                << "the task held the lock while it waited for the device";
        }
        ASSERT_TRUE(playOut()) << "the task did not end";
        EXPECT_EQ(playedFrames(), c.played);
        const TestSoundScript::Bytes played = script->played();
        for (std::size_t i = 0; i + 1 < played.size(); i += 2)
            ASSERT_EQ(played[i] | played[i + 1] << 8, kFirstTrackValue) << "byte " << i;
        std::lock_guard guard(*playback);
        EXPECT_EQ(playback->master().tell(), c.position);
        if (c.played == 0) {
            EXPECT_EQ(playback->playedLevel(0), 0.0) << "a meter showed the other block";
        }
    }
}

} // namespace
} // namespace sundra
