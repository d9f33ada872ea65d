// The pieces worked out from one block scan equal those of the real automatic
// split at every level looked at, for trim space on and off, pause lengths from
// one block to forty, minimum times, formats whose blocks are not a whole
// quarter second, files ending in sound or in a short quiet, and rows that do
// not start at the master's first frame (including one shorter than a pause),
// with the click filter off and on.

#include "audio/waitable.h"
#include "split/auto_split.h"
#include "split/split_preview.h"
#include "split_fixtures.h"
#include "tests/support/generated_album.h"

#include <gtest/gtest.h>

#include <ostream>

namespace sundra {

std::ostream& operator<<(std::ostream& out, const FrameSpan& span) {
    return out << "[" << span.start << ", " << span.end << ")";
}

namespace {

// Gaps of hiss (0.004) and of silence, passages at 0.02 and 0.04 inside songs
// at 0.07 and 0.3, so that the pieces change from level to level.
test::AlbumPlan layeredAlbum(const WaveFormat& format, double leadOut) {
    test::AlbumPlan plan;
    plan.format = format;
    plan.leadIn = 0.6;
    plan.leadOut = leadOut;
    plan.songs = {{6, 0.3, {{1.5, 1.4, 0.02}, {4, 0.3, 0}}},
                  {2.2, 0.07, {}},
                  {7, 0.3, {{2, 2.6, 0.04}, {5.5, 0.7, 0.0}}},
                  {0.4, 0.3, {}},
                  {5, 0.3, {{1, 3.1, 0.02}}}};
    plan.gaps = {2.3, 0.9, 4.1, 1.7};
    plan.noise = 0.004;
    return plan;
}

struct Row {
    double startSeconds; // of the row in the master
    double seconds;      // 0: to the end
};

struct FileCase {
    const char* name;
    WaveFormat format;
    double leadOut;
    Row row;
};

struct SettingsCase {
    int senseTime;
    int minimumTime;
    int trim;
    int clickFilterMs = 0;
};

TEST(SplitPreview, EqualsTheAutomaticSplitAtEveryLevelTried) {
    const FileCase files[] = {
        {"stereo 16-bit, quiet end", {2, 44100, 16}, 2.0, {0, 0}},
        {"stereo 16-bit, ends in sound", {2, 44100, 16}, 0.0, {0, 0}},
        {"mono 8-bit 22050 Hz, short quiet end", {1, 22050, 8}, 0.5, {0, 0}},
        {"mono 16-bit 11025 Hz, a row from 3 s ending inside a song", {1, 11025, 16}, 1.0, {3, 20}},
        {"stereo 16-bit, a row of 2 s inside a song", {2, 44100, 16}, 1.0, {26, 2}},
    };
    const SettingsCase settings[] = {
        {10, 10, 1},
        {10, 10, 0},
        {0, 0, 1},
        {0, 0, 0},
        {2, 5, 0},
        {40, 0, 1},
        {40, 0, 0},
        {7, 30, 1},
        // The click filter: runs of 3, 10 and 25 windows (a block's worth,
        // wherever the block edges fall), of 40 (longer than a block), and of
        // one window, which is no filter.
        {10, 10, 1, 30},
        {0, 0, 0, 100},
        {2, 5, 0, 7},
        {10, 10, 1, 250},
        {0, 0, 1, 400},
    };
    const int levels[] = {0, 3, 4, 10, 25, 50, 80, 100};

    test::TempDir dir;
    for (const FileCase& file : files) {
        const std::string path = dir.file("album.wav");
        test::writeAlbum(path, layeredAlbum(file.format, file.leadOut));
        auto master = test::openMaster(path);
        const std::int32_t rate = file.format.samplesPerSecond;
        const auto rowStart = static_cast<std::int32_t>(file.row.startSeconds * rate);
        const std::int32_t rowEnd =
            file.row.seconds > 0 ? rowStart + static_cast<std::int32_t>(file.row.seconds * rate)
                                 : master->length();
        TrackSegment row(*master, rowStart, rowEnd);
        for (const SettingsCase& page : settings) {
            SplitSettings base =
                SplitSettings::fromPageValues(50, page.senseTime, page.minimumTime, page.trim);
            base.clickFilterMs = page.clickFilterMs;
            const std::optional<BlockScan> scan =
                scanBlocks(row, base.senseTime, kSplitBlocksPerSecond, base.clickFilterMs, nullptr);
            ASSERT_TRUE(scan);
            const auto counts = piecesPerLevel(*scan, base);
            for (const int level : levels) {
                SCOPED_TRACE(::testing::Message()
                             << file.name << ", level " << level << ", time " << page.senseTime
                             << ", minimum " << page.minimumTime << ", trim " << page.trim
                             << ", click filter " << page.clickFilterMs);
                SplitSettings atLevel = SplitSettings::fromPageValues(level, page.senseTime,
                                                                      page.minimumTime, page.trim);
                atLevel.clickFilterMs = page.clickFilterMs;
                KernelEvent stop(false, true);
                PieceList pieces;
                splitAll(row, atLevel, stop, pieces, Notifier::none());
                std::vector<FrameSpan> real;
                for (const auto& piece : pieces)
                    real.push_back({piece->start(), piece->end()});
                EXPECT_EQ(previewAutoSplit(*scan, atLevel), real);
                EXPECT_EQ(counts[static_cast<std::size_t>(level)], static_cast<int>(real.size()));
            }
        }
    }
}

TEST(SplitPreview, LevelsAreThePagePositionsInThousandths) {
    for (int position = 0; position < kSenseLevelPositions; ++position)
        EXPECT_EQ(senseLevelAt(position),
                  SplitSettings::fromPageValues(position, 10, 10, 1).senseLevel);
}

} // namespace
} // namespace sundra
