// The waveform summary built on a worker thread: it completes on its own, and a
// stop between blocks ends it early with what it had.

#include "audio/waveform_task.h"
#include "audio/worker_thread.h"
#include "tests/core/memory_stream.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace sundra {
namespace {

using test::MemoryStream;

const WaveFormat kCd{2, 44100, 16};

// A memory stream whose second read waits until the test lets it go, so a
// test can act while the build is known to be in progress.
class GatedStream : public MemoryStream {
public:
    using MemoryStream::MemoryStream;
    std::int32_t read(void* buffer, std::int32_t byteCount) override {
        std::unique_lock lock(mutex_);
        if (++reads_ == 2) {
            waiting_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return released_; });
        }
        lock.unlock();
        return MemoryStream::read(buffer, byteCount);
    }
    void waitUntilHeld() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return waiting_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int reads_ = 0;
    bool waiting_ = false;
    bool released_ = false;
};

TEST(WaveformTask, BuildsTheWholeSummaryFromTheStart) {
    auto stream = std::make_unique<MemoryStream>(kCd, 1'000'000);
    test::numberFrames(*stream);
    stream->seek(777); // the shared position of a master is not where a build starts
    WaveformTask task(std::move(stream));
    WorkerThread worker;
    ASSERT_TRUE(worker.start(task));
    ASSERT_TRUE(worker.wait(kInfinite));
    const auto summary = task.summary();
    EXPECT_TRUE(summary->complete());
    EXPECT_EQ(summary->readyFrames(), 1'000'000);
    EXPECT_EQ(summary->bucketCount(0), (1'000'000 + 255) / 256);
}

TEST(WaveformTask, AStopBetweenBlocksEndsTheBuildWithItsFinishedPart) {
    auto owned = std::make_unique<GatedStream>(kCd, 2'000'000);
    GatedStream& stream = *owned;
    WaveformTask task(std::move(owned));
    WorkerThread worker;
    ASSERT_TRUE(worker.start(task));
    stream.waitUntilHeld();
    const std::int64_t ready = task.summary()->readyFrames();
    EXPECT_GT(ready, 0);
    EXPECT_LT(ready, 2'000'000);
    EXPECT_FALSE(task.summary()->complete());
    worker.requestStop();
    stream.release();
    ASSERT_TRUE(worker.wait(kInfinite));
    EXPECT_FALSE(task.summary()->complete());
    EXPECT_LT(task.summary()->readyFrames(), 2'000'000);
}

} // namespace
} // namespace sundra
