// The export on several threads stops as the one-at-a-time export does: a stop
// abandons every file in progress, and leaves no temporary file.

#include "cli/parallel_export.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <atomic>

namespace sundra {
namespace {

// Reads as set from its n-th poll on. Polls come between files and between the
// one-second blocks of a file, so the stop falls inside the first files.
struct StopAfterPolls : Event {
    explicit StopAfterPolls(int n) : n(n) {}
    bool lock(std::uint32_t) override { return ++polls >= n; }
    bool unlock() override { return true; }
    bool set() override { return true; }
    bool reset() override { return true; }
    bool pulse() override { return true; }
    const int n;
    std::atomic<int> polls{0};
};

TEST(ParallelExport, AStopAbandonsTheFilesInProgress) {
    test::TempDir dir;
    cli::ParallelExport work;
    work.documentPath = dir.file("long.wav");
    test::writeRunsWav(work.documentPath, WaveFormat{2, 44100, 16}, {{40 * 44100, 1200}});
    test::TempDir out;
    work.outputFolder = out.path().string();
    work.settings.format = ExportFormat::Flac;
    for (int i = 0; i < 4; ++i) { // four tracks of ten blocks
        work.names.push_back("t" + std::to_string(i));
        work.starts.push_back(i * 10 * 44100);
        work.ends.push_back((i + 1) * 10 * 44100);
        work.tags.push_back({});
    }
    StopAfterPolls stop(6);
    work.run(stop, 2);
    EXPECT_EQ(work.filesDone, 0);
    EXPECT_TRUE(out.entries().empty());
    EXPECT_LT(stop.polls, 10) << "a thread went on after the stop";
}

} // namespace
} // namespace sundra
