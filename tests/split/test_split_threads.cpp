// The split and the export on a worker thread while the owner's thread reads
// their progress, as the dialogs' timers do, and stops them between units.

#include "audio/worker_thread.h"
#include "core/units.h"
#include "split/auto_split.h"
#include "split/save_all.h"
#include "split_fixtures.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <functional>

namespace sundra {
namespace {

using test::RecordingNotifier;

const WaveFormat kStereo16{2, 44100, 16};

class FunctionTask : public WorkerTask {
public:
    explicit FunctionTask(std::function<int(Event&)> work) : work_(std::move(work)) {}
    int run(Event& stopEvent) override { return work_(stopEvent); }

private:
    std::function<int(Event&)> work_;
};

// Ten one-second sounds, each followed by two seconds of silence (a pause).
std::string tenSounds(const test::TempDir& dir) {
    std::vector<test::Run> runs;
    for (int i = 0; i < 10; ++i) {
        runs.push_back({44100, 12000});
        runs.push_back({88200, 0});
    }
    const std::string path = dir.file("ten.wav");
    test::writeRunsWav(path, kStereo16, runs);
    return path;
}

TEST(SplitOnAWorker, ProgressIsReadWhileTheScansMoveTheSource) {
    test::TempDir dir;
    auto master = test::openMaster(tenSounds(dir));
    TrackSegment row(*master);
    PieceList pieces;
    RecordingNotifier dialog;
    FunctionTask task([&](Event& stop) {
        return splitAll(row, SplitSettings::fromPageValues(50, 10, 5, 1), stop, pieces, dialog);
    });
    WorkerThread worker;
    ASSERT_TRUE(worker.start(task));
    while (!worker.wait(1)) {
        const int bar = positionBar(row);
        EXPECT_GE(bar, 0);
        EXPECT_LE(bar, 1000);
    }
    ASSERT_EQ(pieces.size(), 10u);
    EXPECT_EQ(pieces[9]->start(), 9 * 132300);
    EXPECT_EQ(pieces[9]->end(), 9 * 132300 + 44100);
    EXPECT_EQ(dialog.posts, std::vector<std::uint32_t>{kIdOk});
}

TEST(SaveAllOnAWorker, NameAndSourceAreHandedOverAndCancelAbandonsTheFileInProgress) {
    test::TempDir dir;
    const std::string documentPath = tenSounds(dir);
    auto master = test::openMaster(documentPath);
    std::vector<TrackSegment> tracks;
    for (int i = 0; i < 4; ++i)
        tracks.emplace_back(*master, i * 88200, i * 88200 + 88200);
    std::vector<SaveJob> jobs;
    for (int i = 0; i < 4; ++i)
        jobs.push_back({"ten-0" + std::to_string(i), &tracks[static_cast<std::size_t>(i)]});
    SaveAllWork work(documentPath, jobs);

    // The first name post waits until the owner has asked the worker to stop,
    // as a Cancel pressed while the first file is written.
    KernelEvent firstShown(false, true);
    KernelEvent cancelled(false, true);
    RecordingNotifier nameShown;
    nameShown.onPlainPost = [&](int shown) {
        if (shown == 1) {
            firstShown.set();
            cancelled.lock(kInfinite);
        }
    };
    RecordingNotifier dialog;
    FunctionTask task([&](Event& stop) { return work.run(stop, dialog, nameShown); });
    WorkerThread worker;
    ASSERT_TRUE(worker.start(task));
    ASSERT_TRUE(firstShown.lock(kInfinite));
    EXPECT_EQ(work.currentName(), "ten-00");
    ASSERT_TRUE(worker.requestStop());
    cancelled.set();
    while (!worker.wait(1)) {
        if (const TrackSegment* source = work.currentSource()) {
            const double ratio = positionRatio(*source);
            EXPECT_GE(ratio, 0.0);
            EXPECT_LE(ratio, 1.0);
        }
        EXPECT_EQ(work.currentName(), "ten-00");
    }
    EXPECT_EQ(work.currentSource(), &tracks[0]);
    EXPECT_EQ(nameShown.plainPosts, 1);
    EXPECT_EQ(dialog.posts, std::vector<std::uint32_t>{kIdOk});
    EXPECT_EQ(work.filesWritten(), 0u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"ten.wav"});
}

} // namespace
} // namespace sundra
