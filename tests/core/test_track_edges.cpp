// Moving track edges by hand: a shared cut moves both rows, a lone edge its own
// row, always clamped so that no track turns negative or crosses a neighbour.

#include "core/track_edges.h"

#include "memory_stream.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace sundra {
namespace {

using test::MemoryStream;
using Spans = std::vector<std::pair<std::int32_t, std::int32_t>>;

const WaveFormat kCd{2, 44100, 16};
constexpr std::int32_t kMaster = 100000;

class TrackEdges : public ::testing::Test {
protected:
    void make(const Spans& spans) {
        rows.clearAll();
        for (const auto& [start, end] : spans) {
            const int row = rows.rowCount();
            rows.insertRow(row, "t");
            rows.setTrack(row, TrackSegment(master, start, end));
        }
    }
    Spans spans() {
        Spans out;
        for (int row = 0; row < rows.rowCount(); ++row) {
            out.emplace_back(rows.trackAt(row)->start(), rows.trackAt(row)->end());
        }
        return out;
    }

    MemoryStream master{kCd, kMaster};
    TrackList rows;
};

TEST_F(TrackEdges, TouchingRowsShareOneCutThatMovesBoth) {
    const Spans split{{0, 500}, {501, 1000}, {1000, 3000}};
    const Spans apart{{0, 500}, {800, 1000}};
    make(split);
    EXPECT_TRUE(rowsTouch(rows, 0)); // one-frame gap, as Split leaves it
    EXPECT_TRUE(rowsTouch(rows, 1)); // no gap
    EXPECT_FALSE(rowsTouch(rows, 2));
    make(apart);
    EXPECT_FALSE(rowsTouch(rows, 0));

    const struct {
        Spans before;
        TrackEdge edge;
        std::int32_t to;
        Spans after;
    } cases[] = {
        // The cut keeps its gap whichever side names it.
        {split, {0, EdgeSide::End}, 700, {{0, 700}, {701, 1000}, {1000, 3000}}},
        {split, {1, EdgeSide::Start}, 300, {{0, 300}, {301, 1000}, {1000, 3000}}},
        {split, {1, EdgeSide::End}, 2000, {{0, 500}, {501, 2000}, {2000, 3000}}},
        // Clamped so that neither row becomes negative.
        {split, {0, EdgeSide::End}, -50, {{0, 0}, {1, 1000}, {1000, 3000}}},
        {split, {0, EdgeSide::End}, 5000, {{0, 999}, {1000, 1000}, {1000, 3000}}},
        // Rows apart: each side is its own edge, stopping short of the other row.
        {apart, {0, EdgeSide::End}, 600, {{0, 600}, {800, 1000}}},
        {apart, {0, EdgeSide::End}, 900, {{0, 799}, {800, 1000}}},
        {apart, {1, EdgeSide::Start}, 100, {{0, 500}, {501, 1000}}},
        {apart, {1, EdgeSide::Start}, 5000, {{0, 500}, {1000, 1000}}},
        // The outer edges stay within the master.
        {apart, {0, EdgeSide::Start}, -10, {{0, 500}, {800, 1000}}},
        {apart, {0, EdgeSide::Start}, 200, {{200, 500}, {800, 1000}}},
        {apart, {1, EdgeSide::End}, kMaster + 10, {{0, 500}, {800, kMaster}}},
    };
    for (const auto& c : cases) {
        make(c.before);
        const bool moved = moveTrackEdge(rows, c.edge, c.to, kMaster);
        EXPECT_EQ(spans(), c.after) << "row " << c.edge.row << " to " << c.to;
        EXPECT_EQ(moved, spans() != c.before) << "row " << c.edge.row << " to " << c.to;
    }
}

TEST_F(TrackEdges, AnExistingOverlapIsKeptButNotGrown) {
    make({{0, 600}, {500, 1000}});
    EXPECT_FALSE(rowsTouch(rows, 0));
    EXPECT_FALSE(moveTrackEdge(rows, {0, EdgeSide::End}, 900, kMaster));
    EXPECT_TRUE(moveTrackEdge(rows, {0, EdgeSide::End}, 550, kMaster));
    EXPECT_EQ(spans(), (Spans{{0, 550}, {500, 1000}}));
}

TEST_F(TrackEdges, TheRowsTimesFollowAndUnknownRowsAreRefused) {
    make({{0, 44100}, {44101, 441000}});
    EXPECT_EQ(rows.text(0, TrackList::End), "00:00:01");
    ASSERT_TRUE(moveTrackEdge(rows, {0, EdgeSide::End}, 3 * 44100, kMaster * 10));
    EXPECT_EQ(rows.text(0, TrackList::End), "00:00:03");
    EXPECT_EQ(rows.text(1, TrackList::Start), "00:00:03");
    EXPECT_EQ(edgeFrame(rows, {1, EdgeSide::Start}), 3 * 44100 + 1);
    EXPECT_FALSE(moveTrackEdge(rows, {5, EdgeSide::End}, 10, kMaster));
    EXPECT_FALSE(moveTrackEdge(rows, {-1, EdgeSide::Start}, 10, kMaster));
}

} // namespace
} // namespace sundra
