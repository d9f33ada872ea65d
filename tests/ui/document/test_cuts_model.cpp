// The cuts model alone, without a widget: sequences of edits against the rows,
// selection and mark they must leave, each edit one undo step that puts back
// exactly the state before it, while Qt's model tester checks every signal the
// item model gives the views.

#include "tests/core/memory_stream.h"
#include "ui/document/cuts_model.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sundra::uitest {
namespace {

constexpr std::int32_t kMaster = 10000;

std::string describe(const CutsSnapshot& state) {
    std::string out = "selected " + std::to_string(state.selectedTrack) + ", mark " +
                      std::to_string(state.markPosition) + ", album '" + state.album.album + "':";
    for (const CutRow& row : state.rows) {
        out +=
            " [" + row.name + " " + std::to_string(row.start) + " " + std::to_string(row.end) + "]";
    }
    return out;
}

using Op = std::function<void(CutsModel&)>;

class CutsModelTest : public ::testing::Test {
protected:
    CutsModelTest() {
        QObject::connect(&cuts, &CutsModel::cutsChanged, [this] { ++changes; });
        cuts.startOver("song", true);
    }

    // The state a sequence starts from, as if the file had opened with it.
    void startWith(const CutList& rows) {
        cuts.startOver("song", true);
        if (!rows.empty()) {
            cuts.applyCutList(rows, QStringLiteral("Import"));
        }
        cuts.undoStack().clear();
        changes = 0;
    }

    // Puts the position at mark and makes it the mark, as the position bar does.
    void markAt(std::int32_t mark) {
        playback.range().seek(mark);
        cuts.setMark(mark);
    }

    // The current range is the selected row's own segment, at the mark.
    void expectRangeFollows(const std::string& where) {
        const int selected = cuts.selectedTrack();
        EXPECT_EQ(&playback.range(),
                  selected == -1 ? &TrackSegment::empty() : cuts.trackAt(selected))
            << where;
        EXPECT_EQ(playback.range().tell(), cuts.markPosition()) << where;
    }

    PlaybackContext playback{
        std::make_unique<test::MemoryStream>(WaveFormat{}, kMaster),
        [](const WaveFormat& format) { return std::make_unique<test::MemoryStream>(format); }};
    CutsModel cuts{playback};
    QAbstractItemModelTester tester{&cuts, QAbstractItemModelTester::FailureReportingMode::Fatal};
    int changes = 0;
};

TEST_F(CutsModelTest, EachEditIsOneStepThatUndoAndRedoPutBackExactly) {
    const AlbumInfo live{"Live", "The Band", "1971", {"Intro", "Side/Long"}};
    const struct Case {
        const char* name;
        CutList start; // empty: the whole file, selected
        std::vector<Op> ops;
        std::vector<const char*> steps;
        CutsSnapshot expected;
    } cases[] = {
        {"split at a frame selects the first part",
         {},
         {[](CutsModel& m) { m.split(0, 4000); }},
         {"Split"},
         {{{"song-00", 0, 4000}, {"song-01", 4001, kMaster}}, 0, 0, {}}},
        {"joint selects the row before; undo brings back the row and its mark",
         {{"a", 0, 4000}, {"b", 4001, kMaster}},
         {[](CutsModel& m) { m.select(1); }, [this](CutsModel&) { markAt(300); },
          [](CutsModel& m) { m.join(1); }},
         {"Joint"},
         {{{"a", 0, kMaster}}, 0, 0, {}}},
        {"delete leaves no selection, expand fits the neighbours",
         {{"a", 100, 200}, {"b", 300, 400}, {"c", 900, 1000}},
         {[](CutsModel& m) { m.remove(1); }, [](CutsModel& m) { m.expandLeft(0); },
          [](CutsModel& m) { m.expandRight(1); }},
         {"Delete", "Expand Left", "Expand Right"},
         {{{"a", 0, 200}, {"c", 900, kMaster}}, 1, 0, {}}},
        {"names alone keep the selection; a rename that changes nothing is no step",
         {{"a", 0, 10}, {"b", 20, 30}},
         {[](CutsModel& m) { m.select(1); }, [](CutsModel& m) { m.renameAll(); },
          [](CutsModel& m) { m.renameAll(); }, [](CutsModel& m) { m.renameTrack(0, "intro"); }},
         {"Rename", "Rename Track"},
         {{{"intro", 0, 10}, {"song-01", 20, 30}}, 1, 0, {}}},
        {"pieces replace their row; none found, the next row is selected",
         {{"a", 0, 5000}, {"b", 5000, kMaster}},
         {[](CutsModel& m) { m.applyPieces(0, std::vector<FrameRange>{}); },
          [](CutsModel& m) {
              m.applyPieces(0, {{5100, 6000}, {7000, 9000}});
          }},
         {"Auto Split", "Auto Split"},
         {{{"b-00", 5100, 6000}, {"b-01", 7000, 9000}}, 0, 0, {}}},
        {"a cut list with its album, then titles; a wrong count is refused",
         {},
         {[&](CutsModel& m) {
              m.applyCutList({{"x", 0, 100}, {"y", 200, 300}}, "Import", &live);
          },
          [](CutsModel& m) {
              EXPECT_FALSE(m.applyTrackInfo({"Other", "", "", {"One"}}));
          },
          [&](CutsModel& m) { EXPECT_TRUE(m.applyTrackInfo(live)); }},
         {"Import", "Track Info"},
         {{{"01 Intro", 0, 100}, {"02 Side-Long", 200, 300}}, 0, 0, live}},
        {"a moved cut moves both rows and selects the changed row again",
         {{"a", 0, 4000}, {"b", 4001, kMaster}},
         {[](CutsModel& m) { m.select(1); }, [this](CutsModel&) { markAt(50); },
          [](CutsModel& m) {
              EXPECT_TRUE(m.moveCut({0, EdgeSide::End}, 6000));
          },
          [](CutsModel& m) {
              EXPECT_FALSE(m.moveCut({0, EdgeSide::End}, 6000));
          }},
         {"Move Cut"},
         {{{"a", 0, 6000}, {"b", 6001, kMaster}}, 1, 0, {}}},
        {"reset gives the whole file back",
         {{"a", 0, 10}, {"b", 20, 30}},
         {[](CutsModel& m) { m.reset(); }},
         {"Reset"},
         {{{"song", 0, kMaster}}, 0, 0, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startWith(c.start);
        // Undo returns to the state just before a step, redo to the state just after.
        std::vector<CutsSnapshot> befores;
        std::vector<CutsSnapshot> afters;
        for (const Op& op : c.ops) {
            const int steps = cuts.undoStack().count();
            const CutsSnapshot before = cuts.snapshot();
            op(cuts);
            if (cuts.undoStack().count() > steps) {
                befores.push_back(before);
                afters.push_back(cuts.snapshot());
            }
            expectRangeFollows("after an edit");
        }
        EXPECT_EQ(describe(cuts.snapshot()), describe(c.expected));
        ASSERT_EQ(cuts.undoStack().count(), static_cast<int>(c.steps.size()));
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            EXPECT_EQ(cuts.undoStack().text(static_cast<int>(i)).toStdString(), c.steps[i]);
        }
        EXPECT_EQ(changes, static_cast<int>(c.steps.size()));
        EXPECT_TRUE(cuts.edited());
        for (std::size_t step = befores.size(); step-- > 0;) {
            cuts.undoStack().undo();
            EXPECT_EQ(describe(cuts.snapshot()), describe(befores[step])) << "undo " << step;
            expectRangeFollows("after undo");
        }
        EXPECT_FALSE(cuts.edited());
        for (std::size_t step = 0; step < afters.size(); ++step) {
            cuts.undoStack().redo();
            EXPECT_EQ(describe(cuts.snapshot()), describe(afters[step])) << "redo " << step;
            expectRangeFollows("after redo");
        }
    }
}

TEST_F(CutsModelTest, ANewMasterStartsTheCutsAndTheirHistoryOver) {
    cuts.split(0, 5000);
    ASSERT_TRUE(cuts.applyTrackInfo({"Live", "", "", {}}));
    ASSERT_EQ(cuts.undoStack().count(), 2);
    std::vector<int> selections;
    QObject::connect(&cuts, &CutsModel::selectionChanged,
                     [&](int row) { selections.push_back(row); });

    cuts.startOver("", false);
    EXPECT_EQ(cuts.rowCount(), 0);
    EXPECT_EQ(cuts.selectedTrack(), -1);
    EXPECT_TRUE(cuts.album().empty());
    EXPECT_EQ(cuts.undoStack().count(), 0);
    EXPECT_FALSE(cuts.edited());
    expectRangeFollows("after New");
    cuts.startOver("take", true);
    EXPECT_EQ(describe(cuts.snapshot()), describe({{{"take", 0, kMaster}}, 0, 0, {}}));
    EXPECT_EQ(cuts.text(0, TrackList::Total), "00:00:00");
    EXPECT_EQ(selections, (std::vector<int>{-1, 0}));
    expectRangeFollows("after Open");

    // The list's name editor: a confirmed name is an edit of its own.
    ASSERT_TRUE(cuts.setData(cuts.index(0, 0), QStringLiteral("intro"), Qt::EditRole));
    EXPECT_FALSE(cuts.setData(cuts.index(0, 1), QStringLiteral("00:00:01"), Qt::EditRole));
    EXPECT_EQ(cuts.name(0), "intro");
    EXPECT_EQ(cuts.undoStack().undoText(), "Rename Track");
}

} // namespace
} // namespace sundra::uitest
