// The edit rules of the track list, as sequences of edits against the rows they
// must leave. (What an observer is told is checked with the cuts model, by
// Qt's model tester.)

#include "core/track_edits.h"

#include "memory_stream.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace sundra {
namespace {

using test::MemoryStream;

constexpr std::int32_t kMaster = 10000;

CutList rowsOf(const TrackList& rows) {
    return rows.cuts();
}

std::string describe(const CutList& rows) {
    std::string out;
    for (const CutRow& row : rows) {
        out +=
            "[" + row.name + " " + std::to_string(row.start) + " " + std::to_string(row.end) + "]";
    }
    return out;
}

struct Edit {
    const char* what;
    std::function<void(TrackList&, SampleStream&)> apply;
};

Edit split(int row, std::int32_t at) {
    return {"split",
            [=](TrackList& rows, SampleStream& master) { splitTrack(rows, row, at, master); }};
}
Edit joint(int row) {
    return {"joint", [=](TrackList& rows, SampleStream&) { joinWithPrevious(rows, row); }};
}
Edit remove(int row) {
    return {"delete", [=](TrackList& rows, SampleStream&) { rows.removeRow(row); }};
}
Edit left(int row) {
    return {"expand left", [=](TrackList& rows, SampleStream&) { expandLeft(rows, row); }};
}
Edit right(int row) {
    return {"expand right",
            [=](TrackList& rows, SampleStream&) { expandRight(rows, row, kMaster); }};
}
Edit reset() {
    return {"reset",
            [](TrackList& rows, SampleStream& master) { resetToWhole(rows, "song", master); }};
}
Edit rename() {
    return {"rename", [](TrackList& rows, SampleStream&) { renameAll(rows, "song"); }};
}
Edit pieces(int row, std::vector<FrameRange> ranges) {
    return {"pieces", [=](TrackList& rows, SampleStream& master) {
                replaceByPieces(rows, row, ranges, master);
            }};
}
Edit titles(std::vector<std::string> names, bool taken) {
    return {"titles", [=](TrackList& rows, SampleStream&) {
                EXPECT_EQ(nameAfterTitles(rows, names), taken);
            }};
}

TEST(TrackEdits, SequencesOfEditsLeaveTheRowsTheRulesGive) {
    const CutList whole = {{"song", 0, kMaster}};
    const struct Case {
        const char* name;
        CutList start;
        std::vector<Edit> edits;
        CutList expected;
    } cases[] = {
        {"split leaves the one-frame gap and names grow",
         whole,
         {split(0, 5000), split(1, 7000)},
         {{"song-00", 0, 5000}, {"song-01-00", 5001, 7000}, {"song-01-01", 7001, kMaster}}},
        {"a cut that would leave a part empty does nothing",
         whole,
         {split(0, 0), split(0, kMaster - 1), split(0, kMaster), split(0, 1),
          split(1, kMaster - 2)},
         {{"song-00", 0, 1}, {"song-01-00", 2, kMaster - 2}, {"song-01-01", kMaster - 1, kMaster}}},
        {"joint merges into the row before and keeps its name",
         whole,
         {split(0, 5000), split(1, 7000), joint(2), joint(1)},
         {{"song-00", 0, kMaster}}},
        {"joint spans what lay between, deleted tracks too",
         {{"a", 100, 200}, {"b", 300, 400}, {"c", 900, 1000}},
         {remove(1), joint(1)},
         {{"a", 100, 1000}}},
        {"expand fits a track one frame short of its neighbours",
         {{"a", 100, 200}, {"b", 300, 400}, {"c", 900, 1000}},
         {left(0), right(0), right(1), left(2), right(2)},
         {{"a", 0, 299}, {"b", 300, 899}, {"c", 900, kMaster}}},
        {"expand shrinks a track that overlaps its neighbour",
         {{"a", 0, 700}, {"b", 500, 900}},
         {right(0), left(1)},
         {{"a", 0, 499}, {"b", 500, 900}}},
        {"rename numbers every row after the title, reset gives the whole file",
         {{"x", 0, 10}, {"y", 20, 30}},
         {rename(), reset()},
         whole},
        {"rename",
         {{"x", 0, 10}, {"y", 20, 30}, {"z", 40, 50}},
         {rename()},
         {{"song-00", 0, 10}, {"song-01", 20, 30}, {"song-02", 40, 50}}},
        {"pieces replace their row, named after it",
         {{"a", 0, 100}, {"side", 100, 9000}, {"c", 9000, kMaster}},
         {pieces(1, {{150, 2000}, {2500, 4000}, {5000, 8000}})},
         {{"a", 0, 100},
          {"side-00", 150, 2000},
          {"side-01", 2500, 4000},
          {"side-02", 5000, 8000},
          {"c", 9000, kMaster}}},
        {"no pieces: the row goes",
         {{"a", 0, 100}, {"b", 200, 300}},
         {pieces(0, {})},
         {{"b", 200, 300}}},
        {"titles name the rows, a wrong count changes nothing",
         {{"a", 0, 100}, {"b", 200, 300}},
         {titles({"Intro"}, false), titles({}, true), titles({"Intro", "Side/Long"}, true)},
         {{"01 Intro", 0, 100}, {"02 Side-Long", 200, 300}}},
        {"rows that do not exist are left alone",
         {{"a", 0, 100}},
         {split(3, 50), joint(0), joint(5), left(-2), right(1), pieces(4, {{1, 2}})},
         {{"a", 0, 100}}},
    };
    for (const Case& c : cases) {
        MemoryStream master(WaveFormat{}, kMaster);
        TrackList rows;
        rows.assign(c.start, master);
        for (const Edit& edit : c.edits) {
            edit.apply(rows, master);
        }
        EXPECT_EQ(describe(rowsOf(rows)), describe(c.expected)) << c.name;
        for (int row = 0; row < rows.rowCount(); ++row) {
            EXPECT_EQ(&rows.trackAt(row)->parent(), &master) << c.name;
        }
    }
}

TEST(TrackEdits, TitledPiecesAreNamedByTheirPlaceAndEveryRowKeepsATitle) {
    const struct Case {
        const char* name;
        CutList start;
        AlbumInfo album;
        int row;
        std::vector<std::string> titles;
        CutList expected;
        std::vector<std::string> expectedTitles;
    } cases[] = {
        {"the only row gives way to the list's tracks",
         {{"side", 0, kMaster}},
         {"LP", "", "", {}},
         0,
         {"Intro", "A/B"},
         {{"01 Intro", 10, 400}, {"02 A-B", 500, 900}},
         {"Intro", "A/B"}},
        {"the other rows keep their titles, or their names",
         {{"01 Overture", 0, 5}, {"side", 5, 1000}, {"coda", 1000, 1100}},
         {"", "", "", {"Overture", "Side", "Coda"}},
         1,
         {"Intro", "A/B"},
         {{"01 Overture", 0, 5}, {"02 Intro", 10, 400}, {"03 A-B", 500, 900}, {"coda", 1000, 1100}},
         {"Overture", "Intro", "A/B", "coda"}},
        {"a title short changes nothing",
         {{"side", 0, kMaster}},
         {},
         0,
         {"Intro"},
         {{"side", 0, kMaster}},
         {}},
    };
    for (const Case& c : cases) {
        MemoryStream master(WaveFormat{}, kMaster);
        TrackList rows;
        rows.assign(c.start, master);
        AlbumInfo album = c.album;
        EXPECT_EQ(
            replaceByTitledPieces(rows, album, c.row, {{10, 400}, {500, 900}}, c.titles, master),
            c.titles.size() == 2)
            << c.name;
        EXPECT_EQ(describe(rowsOf(rows)), describe(c.expected)) << c.name;
        EXPECT_EQ(album.titles, c.expectedTitles) << c.name;
        EXPECT_EQ(album.album, c.album.album) << c.name;
    }
}

} // namespace
} // namespace sundra
