#include "core/track_list.h"

#include "memory_stream.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

using test::MemoryStream;

const WaveFormat kCd{2, 44100, 16};

TEST(TrackList, RowsCarryANameAndAtMostOneOwnedSegment) {
    TrackList list;
    list.insertRow(0, "take");
    list.insertRow(1, "take-02");
    list.insertRow(0, "intro");
    list.insertRow(99, "last"); // past the end: appended
    ASSERT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.name(0), "intro");
    EXPECT_EQ(list.name(1), "take");
    EXPECT_EQ(list.name(3), "last");
    EXPECT_EQ(list.text(2, TrackList::Name), "take-02");

    // A row without a segment resolves to nothing and shows no times.
    EXPECT_EQ(list.trackAt(0), nullptr);
    EXPECT_EQ(list.text(0, TrackList::Start), "");
    EXPECT_EQ(list.text(0, TrackList::Total), "");

    list.setName(1, "renamed");
    EXPECT_EQ(list.name(1), "renamed");

    // Rows and columns that do not exist.
    EXPECT_EQ(list.trackAt(4), nullptr);
    EXPECT_EQ(list.trackAt(-2), nullptr);
    EXPECT_EQ(list.name(4), "");
    EXPECT_EQ(list.text(0, 4), "");
    list.removeRow(4);
    list.setName(-3, "x");
    EXPECT_EQ(list.rowCount(), 4);
}

TEST(TrackList, SetTrackStoresACopyAndShowsItsTimes) {
    MemoryStream master(kCd, 200000);
    TrackList list;
    list.insertRow(0, "take");
    TrackSegment segment(master, 44100, 88200 + 44099);
    list.setTrack(0, segment);
    TrackSegment* stored = list.trackAt(0);
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, &segment);
    EXPECT_EQ(&stored->parent(), &master);
    EXPECT_EQ(stored->start(), 44100);
    EXPECT_EQ(stored->end(), 132299);

    segment.setEnd(5); // the caller's segment is not the row's
    EXPECT_EQ(stored->end(), 132299);

    EXPECT_EQ(list.text(0, TrackList::Start), "00:00:01");
    EXPECT_EQ(list.text(0, TrackList::End), "00:00:02");
    EXPECT_EQ(list.text(0, TrackList::Total), "00:00:01");

    // Times are whole seconds, truncated.
    list.insertRow(1, "exact");
    list.setTrack(1, TrackSegment(master, 0, 44100));
    EXPECT_EQ(list.text(1, TrackList::Total), "00:00:01");
    list.insertRow(2, "short");
    list.setTrack(2, TrackSegment(master, 0, 44099));
    EXPECT_EQ(list.text(2, TrackList::Total), "00:00:00");

    // A reversed segment counts as length 0.
    list.insertRow(3, "reversed");
    list.setTrack(3, TrackSegment(master, 176400, 88200));
    EXPECT_EQ(list.text(3, TrackList::Start), "00:00:04");
    EXPECT_EQ(list.text(3, TrackList::End), "00:00:02");
    EXPECT_EQ(list.text(3, TrackList::Total), "00:00:00");
}

TEST(TrackList, TimesAreAbsoluteAndFollowRefresh) {
    MemoryStream master(WaveFormat{1, 100, 8}, 100 * 4000);
    TrackSegment track(master, 100 * 3600, 100 * 3725);
    TrackSegment piece(track, 100 * 60, 100 * 120);
    TrackList list;
    list.insertRow(0, "piece");
    list.setTrack(0, piece);
    EXPECT_EQ(list.text(0, TrackList::Start), "01:01:00");
    EXPECT_EQ(list.text(0, TrackList::End), "01:02:00");
    EXPECT_EQ(list.text(0, TrackList::Total), "00:01:00");

    list.trackAt(0)->setEnd(100 * 125);
    EXPECT_EQ(list.text(0, TrackList::End), "01:02:00"); // until refreshed
    list.refreshTimes(0);
    EXPECT_EQ(list.text(0, TrackList::End), "01:02:05");
    EXPECT_EQ(list.text(0, TrackList::Total), "00:01:05");

    // A segment stored again replaces the old one.
    list.setTrack(0, TrackSegment(master, 0, 100));
    EXPECT_EQ(list.trackAt(0)->end(), 100);
    EXPECT_EQ(list.text(0, TrackList::End), "00:00:01");
}

TEST(TrackList, RemovingRowsDestroysOnlyTheirSegments) {
    MemoryStream master(kCd, 1000);
    TrackList list;
    for (int i = 0; i < 3; ++i) {
        list.insertRow(i, "row" + std::to_string(i));
        list.setTrack(i, TrackSegment(master, i * 100, i * 100 + 50));
    }
    list.removeRow(1);
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.name(1), "row2");
    EXPECT_EQ(list.trackAt(1)->start(), 200);
    EXPECT_EQ(list.text(1, TrackList::Total), "00:00:00");

    list.clearAll();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.trackAt(0), nullptr);
    // The master is untouched by destroying its tracks.
    EXPECT_EQ(master.length(), 1000);
}

TEST(TrackList, NoSelectionResolvesToTheSharedEmptyTrack) {
    TrackList list;
    TrackSegment* none = list.trackAt(-1);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none, &TrackSegment::empty());
    EXPECT_EQ(none->length(), 0);
    EXPECT_EQ(none->format(), (WaveFormat{2, 44100, 16}));

    TrackList other;
    EXPECT_EQ(other.trackAt(-1), none);
    list.clearAll();
    EXPECT_EQ(list.trackAt(-1), none);
}

} // namespace
} // namespace sundra
