// Splitting into a known number of tracks on generated albums whose gaps and
// quiet passages lie at known frames: the cuts fall into the longest gaps, never
// into a song, with and without trim space; too few pauses change nothing.

#include "audio/waitable.h"
#include "split/track_count_split.h"
#include "split_fixtures.h"
#include "tests/support/generated_album.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sundra {
namespace {

constexpr std::int32_t kBlock = 11025;

// Six songs at 0.3 of full scale with silent passages of 0.5 to 0.8 s inside
// four of them; gaps of 2.0, 3.5, 1.5, 4.0 and 2.5 s; 1 s before, 1.5 s after.
test::AlbumPlan sixSongs() {
    test::AlbumPlan plan;
    plan.leadIn = 1.0;
    plan.leadOut = 1.5;
    plan.songs = {{20, 0.3, {{5, 0.5, 0}, {12, 0.8, 0}}},
                  {15, 0.3, {{7, 0.6, 0}}},
                  {25, 0.3, {{3, 0.8, 0}, {10, 0.5, 0}, {20, 0.7, 0}}},
                  {12, 0.3, {}},
                  {18, 0.3, {{9, 0.8, 0}}},
                  {22, 0.3, {}}};
    plan.gaps = {2.0, 3.5, 1.5, 4.0, 2.5};
    return plan;
}

class TrackCountSplit : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("album.wav");
        album = test::writeAlbum(path, sixSongs());
        master = test::openMaster(path);
    }

    TrackSplitOutcome split(int tracks, bool trim, PieceList& pieces,
                            test::RecordingNotifier& dialog) {
        rows.push_back(std::make_unique<TrackSegment>(*master));
        KernelEvent stop(false, true);
        return splitIntoTracks(*rows.back(), SplitSettings::fromPageValues(50, 10, 10, trim),
                               tracks, stop, pieces, dialog);
    }

    // The gaps of the album, longest first, the first count of them back in order.
    std::vector<test::Stretch> longestGaps(std::size_t count) const {
        std::vector<test::Stretch> gaps = album.gaps;
        std::stable_sort(gaps.begin(), gaps.end(),
                         [](const auto& a, const auto& b) { return a.frames() > b.frames(); });
        gaps.resize(count);
        std::sort(gaps.begin(), gaps.end(),
                  [](const auto& a, const auto& b) { return a.start < b.start; });
        return gaps;
    }

    test::TempDir dir;
    std::string path;
    test::Album album;
    std::unique_ptr<WaveFileReader> master;
    std::vector<std::unique_ptr<TrackSegment>> rows;
};

TEST_F(TrackCountSplit, CutsFallInsideTheLongestGapsOnly) {
    for (const bool trim : {true, false}) {
        for (const int tracks : {6, 4, 3, 2}) {
            SCOPED_TRACE(::testing::Message() << "tracks " << tracks << " trim " << trim);
            PieceList pieces;
            test::RecordingNotifier dialog;
            const TrackSplitOutcome outcome = split(tracks, trim, pieces, dialog);
            EXPECT_TRUE(outcome.finished);
            EXPECT_EQ(outcome.pausesFound, 5 + 7); // the gaps and the passages
            EXPECT_EQ(dialog.posts, std::vector<std::uint32_t>{kIdOk});
            ASSERT_EQ(pieces.size(), static_cast<std::size_t>(tracks));
            const std::vector<test::Stretch> gaps = longestGaps(tracks - 1u);
            for (std::size_t k = 0; k + 1 < pieces.size(); ++k) {
                const std::int32_t end = pieces[k]->end();
                const std::int32_t next = pieces[k + 1]->start();
                // The next piece starts with the block that holds the next song's start.
                EXPECT_LE(next, gaps[k].end);
                EXPECT_GT(next, gaps[k].end - kBlock);
                if (trim) {
                    // The piece ends with the first block wholly inside the gap.
                    EXPECT_GE(end, gaps[k].start);
                    EXPECT_LT(end, gaps[k].start + kBlock);
                } else {
                    EXPECT_EQ(end, next);
                }
            }
            const test::Stretch first = album.songs.front();
            const test::Stretch last = album.songs.back();
            if (trim) {
                EXPECT_EQ(pieces.front()->start(), first.start); // 1 s is four whole blocks
                EXPECT_GE(pieces.back()->end(), last.end);
                EXPECT_LT(pieces.back()->end(), last.end + kBlock);
            } else {
                EXPECT_EQ(pieces.front()->start(), 0);
                EXPECT_EQ(pieces.back()->end(), album.length);
            }
            for (const auto& piece : pieces)
                EXPECT_EQ(&piece->parent(), rows.back().get());
        }
    }
}

TEST_F(TrackCountSplit, TooFewPausesGiveNoPieceAndSaySoFirst) {
    PieceList pieces;
    test::RecordingNotifier dialog;
    // Twelve pauses make thirteen tracks at most.
    EXPECT_EQ(split(13, true, pieces, dialog).pausesFound, 12);
    EXPECT_EQ(pieces.size(), 13u);
    const TrackSplitOutcome outcome = split(14, true, pieces, dialog);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.pausesFound, 12);
    EXPECT_TRUE(pieces.empty());

    // A stop before the scan posts nothing and finds nothing.
    KernelEvent stop(true, true);
    TrackSegment row(*master);
    test::RecordingNotifier stopped;
    const TrackSplitOutcome cancelled =
        splitIntoTracks(row, SplitSettings{}, 2, stop, pieces, stopped);
    EXPECT_FALSE(cancelled.finished);
    EXPECT_TRUE(stopped.posts.empty());
    EXPECT_TRUE(pieces.empty());
}

TEST(TrackCountCut, EqualPausesAreTakenEarlierFirstAndQuietEndsAreNoPause) {
    // Block levels: quiet, loud, two quiet, loud, two quiet, loud, one quiet,
    // loud, quiet.
    BlockScan scan;
    scan.format = {1, 4, 8};
    scan.blockFrames = 1;
    scan.levels = {0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 0};
    scan.length = static_cast<std::int32_t>(scan.levels.size());
    struct Case {
        int tracks;
        bool trim;
        std::vector<FrameSpan> pieces;
    };
    const Case cases[] = {
        {2, true, {{1, 2}, {4, 10}}},
        {2, false, {{0, 4}, {4, 11}}},
        {3, true, {{1, 2}, {4, 5}, {7, 10}}},
        {4, false, {{0, 4}, {4, 7}, {7, 9}, {9, 11}}},
        {5, true, {}},
    };
    for (const Case& c : cases) {
        const TrackCut cut = cutIntoTracks(scan, 0.5, c.trim, c.tracks);
        EXPECT_EQ(cut.pausesFound, 3);
        EXPECT_EQ(cut.pieces, c.pieces) << c.tracks << " tracks, trim " << c.trim;
    }
    // Nothing loud: no pause, no piece.
    scan.levels.assign(11, 0.0);
    EXPECT_EQ(cutIntoTracks(scan, 0.5, true, 2).pausesFound, 0);
    EXPECT_TRUE(cutIntoTracks(scan, 0.5, true, 2).pieces.empty());
}

} // namespace
} // namespace sundra
