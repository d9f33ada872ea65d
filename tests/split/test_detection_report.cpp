// The detection report: its levels, stretches and reasons on block levels laid
// out by hand, and its suggested level on a generated noisy album, where the
// default level cuts the songs at their soft passages.

#include "audio/waitable.h"
#include "split/auto_split.h"
#include "split/detection_report.h"
#include "split_fixtures.h"
#include "tests/support/generated_album.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

// A scan of one-frame blocks at four frames a second, so a block is a quarter second.
BlockScan scanOf(std::vector<double> levels, std::int64_t pauseBlocks) {
    BlockScan scan;
    scan.format = {1, 4, 8};
    scan.blockFrames = 1;
    scan.levels = std::move(levels);
    scan.length = scan.blockCount();
    scan.pauseBlocks = pauseBlocks;
    scan.tailStart =
        static_cast<std::int32_t>(std::max<std::int64_t>(scan.length - pauseBlocks, 0));
    scan.tailLevels.assign(scan.levels.begin() + scan.tailStart, scan.levels.end());
    return scan;
}

TEST(DetectionReport, NamesTheFloorThePausesAndTheQuietestPassage) {
    // Sounds [1, 3), [5, 11), [14, 15); pauses [3, 5) and [11, 14); a single
    // quiet block at 6; the quietest two blocks inside a sound are 8 and 9.
    const BlockScan scan = scanOf({0.01, 0.3, 0.2, 0.02, 0.03, 0.3, 0.04, 0.25, 0.06, 0.07, 0.3,
                                   0.005, 0.01, 0.008, 0.4, 0.002},
                                  1);
    const SplitSettings settings{0.05, 0.25, 0.0, true};
    const DetectionReport report = makeDetectionReport(scan, settings);

    EXPECT_EQ(report.noiseFloor, 0.005); // the second quietest of sixteen blocks
    EXPECT_EQ(report.loudBlocks, 8);
    ASSERT_TRUE(report.loudestPause);
    EXPECT_EQ(report.loudestPause->level, 0.03);
    EXPECT_EQ(report.loudestPause->frames, (FrameSpan{3, 5}));
    ASSERT_TRUE(report.quietestPassage);
    EXPECT_EQ(report.quietestPassage->level, 0.07);
    EXPECT_EQ(report.quietestPassage->frames, (FrameSpan{8, 10}));
    EXPECT_EQ(report.pauses, 3);
    EXPECT_EQ(report.longestPauses, (std::vector<FrameSpan>{{11, 14}, {3, 5}, {6, 7}}));
    EXPECT_EQ(report.pieces, (std::vector<FrameSpan>{{1, 3}, {5, 11}, {14, 15}}));
    EXPECT_EQ(report.reason, FewPiecesReason::None);
    EXPECT_EQ(report.piecesAtLevel[50], 3);
    // Above 0.07 the passage at 8 becomes a pause too; below 0.03 the first
    // pause is sound.
    EXPECT_EQ(report.piecesAtLevel[70], 4);
    EXPECT_EQ(report.piecesAtLevel[29], 2);
    // The pause at 0.03 lies three times above the floor (the quieter pause at
    // 0.01), the passage at 0.07 only a little above it: the suggestion takes
    // the floor's pause alone, midway between it and the 0.03 stretch.
    ASSERT_TRUE(report.suggestedPosition);
    EXPECT_EQ(*report.suggestedPosition, 17);
    EXPECT_EQ(report.piecesAtLevel[17], 2);

    const std::vector<std::string> lines = reportLines(report);
    EXPECT_EQ(lines[1], "Noise floor: 0.0050 (-46.0 dBFS)");
    EXPECT_EQ(lines[2], "Loudest pause: 0.0300 (-30.5 dBFS) at 00:00:00.75 for 0.50 s");
}

TEST(DetectionReport, SaysWhyThereAreFewerThanTwoPieces) {
    struct Case {
        std::vector<double> levels;
        SplitSettings settings;
        FewPiecesReason reason;
        const char* text;
    };
    const Case cases[] = {
        {{0.01, 0.02, 0.01, 0.0},
         {0.05, 0.25, 0.0, true},
         FewPiecesReason::NothingLoud,
         "everything is quieter than the sense level"},
        {{0.3, 0.0, 0.3, 0.0, 0.3, 0.3},
         {0.05, 0.25, 0.0, true},
         FewPiecesReason::NoLongPause,
         "no pause is as long as the sense time"},
        {{0.3, 0.0, 0.0, 0.3, 0.0, 0.0},
         {0.05, 0.25, 1.0, true},
         FewPiecesReason::PiecesTooShort,
         "the pieces found are not longer than the minimum time"},
        // A sound without a pause, too short to stay.
        {{0.0, 0.3, 0.0, 0.0},
         {0.05, 0.25, 1.0, true},
         FewPiecesReason::PiecesTooShort,
         "the pieces found are not longer than the minimum time"},
    };
    for (const Case& c : cases) {
        const DetectionReport report = makeDetectionReport(scanOf(c.levels, 1), c.settings);
        EXPECT_LT(report.pieces.size(), 2u);
        EXPECT_EQ(report.reason, c.reason);
        EXPECT_EQ(reasonText(c.reason), c.text);
        EXPECT_NE(fewPiecesMessage(report).find(c.text), std::string::npos);
    }
    // A file with sound but no pause: one piece, and no level gives two.
    const DetectionReport one =
        makeDetectionReport(scanOf({0.3, 0.3, 0.0, 0.3, 0.3, 0.3}, 1), {0.05, 0.25, 0.0, true});
    EXPECT_EQ(fewPiecesMessage(one),
              "Auto Split found only one piece: no pause is as long as the sense time.\n"
              "No sense level gives two pieces with this sense time.");
    // A pause that only a higher level finds: midway (in decibels) between it
    // and the music.
    const DetectionReport quiet =
        makeDetectionReport(scanOf({0.3, 0.02, 0.02, 0.3, 0.0}, 1), {0.01, 0.25, 0.0, true});
    EXPECT_EQ(fewPiecesMessage(quiet), "Auto Split found only one piece: no pause is as long as "
                                       "the sense time.\nSuggested sense level: 77 (2 pieces).");
}

// Six songs at 0.2 to 0.4 of full scale with soft passages of 2 to 3 s at 0.03
// (-30 dBFS) and short silent dips, over noise of 0.0056 (-45 dBFS) that also
// fills the gaps of 2 to 4 s.
test::AlbumPlan noisyAlbum() {
    test::AlbumPlan plan;
    plan.leadIn = 1.5;
    plan.leadOut = 2.0;
    plan.songs = {{30, 0.3, {{8, 2.5, 0.03}, {20, 0.4, 0}}},
                  {25, 0.2, {{12, 3.0, 0.03}}},
                  {35, 0.4, {{5, 2.2, 0.03}, {18, 2.8, 0.03}, {30, 0.5, 0}}},
                  {20, 0.25, {}},
                  {28, 0.35, {{14, 2.6, 0.03}}},
                  {24, 0.3, {{3, 0.3, 0}}}};
    plan.gaps = {2.5, 3.0, 2.0, 4.0, 2.2};
    plan.noise = 0.0056;
    plan.seed = 42;
    return plan;
}

TEST(DetectionReport, SuggestedLevelSplitsANoisyAlbumIntoItsSongs) {
    test::TempDir dir;
    const std::string path = dir.file("noisy.wav");
    const test::Album album = test::writeAlbum(path, noisyAlbum());
    auto master = test::openMaster(path);
    TrackSegment row(*master);
    const SplitSettings defaults = SplitSettings::fromPageValues(50, 10, 10, 1);

    auto split = [&](const SplitSettings& settings) {
        KernelEvent stop(false, true);
        PieceList pieces;
        splitAll(row, settings, stop, pieces, Notifier::none());
        return pieces;
    };
    // The default level takes the soft passages for pauses.
    EXPECT_GT(split(defaults).size(), album.songs.size());

    const std::optional<DetectionReport> report = analyzeTrack(row, defaults, nullptr);
    ASSERT_TRUE(report);
    ASSERT_TRUE(report->suggestedPosition);
    const int suggested = *report->suggestedPosition;
    SplitSettings better = defaults;
    better.senseLevel = senseLevelAt(suggested);
    const PieceList pieces = split(better);
    ASSERT_EQ(pieces.size(), album.songs.size()) << "suggested level " << suggested;
    EXPECT_EQ(report->piecesAtLevel[static_cast<std::size_t>(suggested)],
              static_cast<int>(album.songs.size()));
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        // Each piece holds its song but for the last blocks' worth, and nothing
        // of the neighbours.
        EXPECT_LE(pieces[i]->start(), album.songs[i].start + 11025);
        EXPECT_GE(pieces[i]->end(), album.songs[i].end - 11025);
        if (i > 0) {
            EXPECT_GE(pieces[i]->start(), album.songs[i - 1].end);
        }
        if (i + 1 < pieces.size()) {
            EXPECT_LE(pieces[i]->end(), album.songs[i + 1].start);
        }
    }
    // At the suggested level the report lies between the noise and the passages.
    const DetectionReport there = *analyzeTrack(row, better, nullptr);
    ASSERT_TRUE(there.loudestPause && there.quietestPassage);
    EXPECT_LT(there.loudestPause->level, 0.01);
    EXPECT_GT(there.quietestPassage->level, 0.03);
}

} // namespace
} // namespace sundra
