// The export on several threads stops as the one-at-a-time export does: a stop
// abandons every file in progress, leaving no file under a track's name and no
// temporary file.

#include "cli/parallel_export.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <atomic>

namespace sundra {
namespace {

// A stop event that reads as set from its n-th poll on: polls come between
// files and between the one-second blocks of a file, so the stop falls inside
// the first files whatever the threads' timing.
class StopAfterPolls : public Event {
public:
    explicit StopAfterPolls(int n) : n_(n) {}
    bool lock(std::uint32_t) override { return ++polls >= n_; }
    bool unlock() override { return true; }
    bool set() override { return true; }
    bool reset() override { return true; }
    bool pulse() override { return true; }

    std::atomic<int> polls{0};

private:
    int n_;
};

TEST(ParallelExport, AStopAbandonsTheFilesInProgress) {
    test::TempDir dir;
    // Four tracks of ten seconds each: forty blocks that a stop at the sixth poll
    // cuts short.
    const std::string source = dir.file("long.wav");
    test::writeRunsWav(source, WaveFormat{2, 44100, 16}, {{40 * 44100, 1200}});
    for (ExportFormat format : {ExportFormat::Wav, ExportFormat::Flac}) {
        SCOPED_TRACE(exportFormatExtension(format));
        test::TempDir out;
        cli::ParallelExport work;
        work.documentPath = source;
        work.outputFolder = out.path().string();
        work.settings.format = format;
        for (int i = 0; i < 4; ++i) {
            work.names.push_back("t" + std::to_string(i));
            work.starts.push_back(i * 10 * 44100);
            work.ends.push_back((i + 1) * 10 * 44100);
            work.tags.push_back({});
        }
        StopAfterPolls stop(6);
        work.run(stop, 2);
        EXPECT_EQ(work.filesDone, 0);
        EXPECT_TRUE(out.entries().empty());
        EXPECT_LT(stop.polls, 6 + 2 * 2) << "a thread went on after the stop";
    }
}

} // namespace
} // namespace sundra
