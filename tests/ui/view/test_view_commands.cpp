// The main view's edit commands driven by number with their enable rules, the
// form's layout, and the track list's keyboard, names and clicks.

#include "tests/ui/view/view_test.h"
#include "ui/app/main_frame.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/view/position_bar.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/view/transport.h"
#include "ui/waveform/waveform_strip.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollBar>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;

TEST_F(ViewTest, SplitAtTheMarkJointAndTheirEnableRules) {
    start({wav("song.wav", {{1000, 3000}})});
    EXPECT_FALSE(enabled(kSplit)); // no mark yet
    EXPECT_FALSE(enabled(kJoint)); // first row
    dragThumb(500);
    EXPECT_EQ(view().markPosition(), 500);
    EXPECT_EQ(view().positionBar().value(), 500);
    ASSERT_TRUE(execute(kSplit));
    ASSERT_EQ(cuts().rowCount(), 2);
    EXPECT_EQ(cuts().name(0), "song-00");
    EXPECT_EQ(cuts().name(1), "song-01");
    EXPECT_EQ(span(0), (Span{0, 500}));
    EXPECT_EQ(span(1), (Span{501, 1000}));
    EXPECT_EQ(view().selectedTrack(), 0);
    EXPECT_EQ(view().markPosition(), 0);
    EXPECT_EQ(&playback().range(), cuts().trackAt(0));
    EXPECT_EQ(list().highlightedRow(), 0);

    view().SelectTrack(1, false);
    ASSERT_TRUE(execute(kJoint));
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().name(0), "song-00");
    EXPECT_EQ(span(0), (Span{0, 1000}));
    EXPECT_EQ(view().selectedTrack(), 0);

    // The mark at the end: a cut there would leave an empty part, so nothing
    // happens, and the mark stays.
    dragThumb(1000);
    const int steps = cuts().undoStack().count();
    ASSERT_TRUE(execute(kSplit));
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(span(0), (Span{0, 1000}));
    EXPECT_EQ(view().markPosition(), 1000);
    EXPECT_EQ(cuts().undoStack().count(), steps);
}

TEST_F(ViewTest, ExpandLeftAndRightMoveToTheNeighboursAndAreDisabledWhenInPlace) {
    start({wav("song.wav", {{10000, 3000}})});
    dragThumb(500);
    ASSERT_TRUE(execute(kSplit)); // [0, 5000] and [5001, 10000]
    // In place already: nothing to expand.
    EXPECT_FALSE(enabled(kExpandLeft));
    EXPECT_FALSE(enabled(kExpandRight));
    view().SelectTrack(1, false);
    EXPECT_FALSE(enabled(kExpandLeft));
    EXPECT_FALSE(enabled(kExpandRight));

    cuts().trackAt(1)->setStart(6000);
    cuts().trackAt(1)->setEnd(9000);
    ASSERT_TRUE(execute(kExpandLeft));
    EXPECT_EQ(span(1), (Span{5001, 9000}));
    EXPECT_EQ(view().selectedTrack(), 1);
    EXPECT_FALSE(enabled(kExpandLeft));
    ASSERT_TRUE(execute(kExpandRight)); // last row: to the master's length
    EXPECT_EQ(span(1), (Span{5001, 10000}));
    EXPECT_FALSE(enabled(kExpandRight));

    view().SelectTrack(0, false);
    cuts().trackAt(0)->setStart(100);
    cuts().trackAt(0)->setEnd(4000);
    ASSERT_TRUE(execute(kExpandLeft)); // first row: to 0
    EXPECT_EQ(span(0), (Span{0, 4000}));
    ASSERT_TRUE(execute(kExpandRight));
    EXPECT_EQ(span(0), (Span{0, 5000}));
    // An overlapping neighbour makes Expand shrink the track.
    cuts().trackAt(0)->setEnd(7000);
    ASSERT_TRUE(execute(kExpandRight));
    EXPECT_EQ(span(0), (Span{0, 5000}));
    EXPECT_EQ(cuts().text(0, 2), "00:00:00");
}

TEST_F(ViewTest, DeleteLeavesNoSelectionAndDisablesWhatNeedsOne) {
    start({wav("song.wav", {{10000, 3000}})});
    dragThumb(300);
    ASSERT_TRUE(execute(kSplit));
    view().SelectTrack(1, false);
    ASSERT_TRUE(execute(kDelete));
    EXPECT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(view().selectedTrack(), -1);
    EXPECT_EQ(&playback().range(), &TrackSegment::empty());
    for (int id : {kSplit, kJoint, kDelete, kExpandLeft, kExpandRight, kMark, kShotFromTop,
                   kShotToMark, kShotFromMark, kShotToEnd, kAutoSplit}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    EXPECT_TRUE(enabled(kRename));
    EXPECT_TRUE(enabled(kReset));
    // A click on the remaining row selects it again.
    emit list().rowClicked(0);
    EXPECT_EQ(view().selectedTrack(), 0);
    EXPECT_TRUE(enabled(kDelete));
}

TEST_F(ViewTest, RenameAndResetAndSaveAllRule) {
    start({wav("take.wav", {{10000, 3000}})});
    EXPECT_FALSE(enabled(kSaveAll)); // one row named like the file
    dragThumb(500);
    ASSERT_TRUE(execute(kSplit));
    view().SelectTrack(1, false);
    dragThumb(500);
    ASSERT_TRUE(execute(kSplit));
    ASSERT_EQ(cuts().rowCount(), 3);
    EXPECT_EQ(cuts().name(1), "take-01-00");
    EXPECT_TRUE(enabled(kSaveAll));
    ASSERT_TRUE(execute(kRename));
    EXPECT_EQ(cuts().name(0), "take-00");
    EXPECT_EQ(cuts().name(1), "take-01");
    EXPECT_EQ(cuts().name(2), "take-02");
    EXPECT_EQ(view().selectedTrack(), 1); // Rename leaves the selection

    ASSERT_TRUE(execute(kReset));
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().name(0), "take");
    EXPECT_EQ(span(0), (Span{0, 10000}));
    EXPECT_EQ(view().selectedTrack(), 0);
    EXPECT_FALSE(enabled(kSaveAll));

    // Without a path: no Reset, and Rename numbers after an empty title.
    ASSERT_TRUE(execute(kFileNew));
    EXPECT_FALSE(enabled(kReset));
    EXPECT_FALSE(enabled(kRename));
    cuts().applyCutList({{"a", 0, 0}, {"b", 0, 0}}, QStringLiteral("Import"));
    ASSERT_TRUE(execute(kRename));
    EXPECT_EQ(cuts().name(0), "-00");
    EXPECT_EQ(cuts().name(1), "-01");
}

TEST_F(ViewTest, TheFirstAndTheSmallestWindowShowTheWholeForm) {
    start();
    CMainFrame& frame = app->frame();
    frame.show();
    QApplication::processEvents();
    auto expectWholeForm = [&](const char* size) {
        SCOPED_TRACE(size);
        const QRect inside = view().rect();
        for (QWidget* part : std::initializer_list<QWidget*>{
                 &view().list(), &view().peakMeter(0), &view().levelMeter(0), &view().levelMeter(1),
                 &view().peakMeter(1), &view().positionBar()}) {
            EXPECT_TRUE(inside.contains(part->geometry())) << part->objectName().toStdString();
        }
        EXPECT_GE(frame.width(), frame.minimumSizeHint().width());
    };
    expectWholeForm("first");
    frame.resize(frame.minimumSize());
    QApplication::processEvents();
    expectWholeForm("smallest");
}

TEST_F(ViewTest, AGrowingWindowGivesTheExtraWidthToTheListAndTheExtraHeightToTheWaveform) {
    start();
    CMainFrame& frame = app->frame();
    frame.resize(700, 600);
    frame.show();
    QApplication::processEvents();
    const QRect list = view().list().geometry();
    const QRect strip = view().waveform().geometry();
    const QRect level = view().levelMeter(0).geometry();
    const QRect bar = view().positionBar().geometry();
    frame.resize(1000, 900);
    QApplication::processEvents();
    EXPECT_EQ(view().list().width(), list.width() + 300);
    EXPECT_EQ(view().list().height(), list.height());
    EXPECT_EQ(view().waveform().width(), strip.width() + 300);
    EXPECT_EQ(view().waveform().height(), strip.height() + 300);
    // The strip lies in the waveform's panel, below the ruler.
    const QRect inView(view().waveform().mapTo(&view(), QPoint()), view().waveform().size());
    EXPECT_GT(inView.y(), view().list().geometry().bottom());
    EXPECT_GT(view().positionBar().y(), inView.bottom());
    EXPECT_EQ(view().levelMeter(0).width(), level.width());
    EXPECT_EQ(view().levelMeter(0).x(), level.x() + 300);
    // The bar stays below the list, its height unchanged.
    EXPECT_EQ(view().positionBar().height(), bar.height());
    EXPECT_GT(view().positionBar().y(), view().list().geometry().bottom());
}

TEST_F(ViewTest, KeysMoveTheSelectionAndEveryCommandActsOnTheHighlightedRow) {
    start({wav("song.wav", {{10 * kSecond, 3000}})});
    cuts().applyCutList({{"a", 0, 2 * kSecond},
                         {"b", 2 * kSecond + 1, 4 * kSecond},
                         {"c", 4 * kSecond + 1, 6 * kSecond},
                         {"d", 6 * kSecond + 1, 8 * kSecond},
                         {"e", 8 * kSecond + 1, 10 * kSecond}},
                        QStringLiteral("Import"));
    app->frame().show();
    list().setFocus();
    auto press = [this](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&list(), &event);
    };
    auto expectSelected = [this](int row, const char* where) {
        EXPECT_EQ(list().highlightedRow(), row) << where;
        EXPECT_EQ(view().selectedTrack(), row) << where;
        EXPECT_EQ(&playback().range(), cuts().trackAt(row)) << where;
    };
    const struct {
        int key;
        int row;
    } moves[] = {{Qt::Key_Down, 1}, {Qt::Key_Down, 2},     {Qt::Key_End, 4},   {Qt::Key_Up, 3},
                 {Qt::Key_Home, 0}, {Qt::Key_PageDown, 4}, {Qt::Key_PageUp, 0}};
    for (const auto& move : moves) {
        press(move.key);
        expectSelected(move.row, QKeySequence(move.key).toString().toLatin1().constData());
    }

    // Play plays the highlighted row.
    press(Qt::Key_Down);
    ASSERT_TRUE(execute(kPlay));
    ASSERT_TRUE(waitUntil([this] { return position() > 0; }));
    expectSelected(1, "play");
    ASSERT_TRUE(execute(kStop));

    // Split cuts the highlighted row at its mark, Joint joins it to the row above.
    press(Qt::Key_Down);
    view().transport().MovePositionTo(kSecond);
    ASSERT_TRUE(execute(kSplit));
    EXPECT_EQ(span(2), (Span{4 * kSecond + 1, 5 * kSecond + 1}));
    EXPECT_EQ(cuts().name(3), "c-01");
    expectSelected(2, "split");
    press(Qt::Key_Down);
    ASSERT_TRUE(execute(kJoint));
    EXPECT_EQ(span(2), (Span{4 * kSecond + 1, 6 * kSecond}));
    expectSelected(2, "joint");

    // After Delete nothing is highlighted, and the edits that need a row agree.
    ASSERT_TRUE(execute(kDelete));
    EXPECT_EQ(cuts().rowCount(), 4);
    EXPECT_EQ(list().highlightedRow(), -1);
    EXPECT_EQ(view().selectedTrack(), -1);
    EXPECT_FALSE(enabled(kDelete));
    // The next key starts from the top.
    press(Qt::Key_Down);
    expectSelected(0, "after delete");
    EXPECT_TRUE(enabled(kDelete));
}

TEST_F(ViewTest, F2EditsTheHighlightedNameAndAClickBesideTheRowsSelectsNothing) {
    start({wav("song.wav", {{10000, 3000}})});
    dragThumb(500);
    ASSERT_TRUE(execute(kSplit));
    app->frame().show();
    list().setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&list(), &down);
    EXPECT_EQ(list().highlightedRow(), 1);
    EXPECT_EQ(view().selectedTrack(), 1);

    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QApplication::sendEvent(&list(), &f2);
    auto* editor = list().findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("intro"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    // The delegate commits on a queued call.
    QApplication::processEvents();
    EXPECT_EQ(cuts().name(1), "intro");
    EXPECT_EQ(cuts().name(0), "song-00");

    // A click on a row selects it; a click beside the rows selects nothing.
    const QRect row0 = list().visualRect(list().model()->index(0, 0));
    QMouseEvent press(QEvent::MouseButtonPress, row0.center(),
                      list().viewport()->mapToGlobal(row0.center()), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, row0.center(),
                        list().viewport()->mapToGlobal(row0.center()), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    view().SelectTrack(1, false);
    QApplication::sendEvent(list().viewport(), &press);
    QApplication::sendEvent(list().viewport(), &release);
    EXPECT_EQ(view().selectedTrack(), 0);
    const QPoint below(5, list().viewport()->height() - 3);
    QMouseEvent pressBelow(QEvent::MouseButtonPress, below, list().viewport()->mapToGlobal(below),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent releaseBelow(QEvent::MouseButtonRelease, below,
                             list().viewport()->mapToGlobal(below), Qt::LeftButton, Qt::NoButton,
                             Qt::NoModifier);
    QApplication::sendEvent(list().viewport(), &pressBelow);
    QApplication::sendEvent(list().viewport(), &releaseBelow);
    EXPECT_EQ(view().selectedTrack(), -1);
    EXPECT_EQ(list().highlightedRow(), -1);
    EXPECT_FALSE(enabled(kDelete));
}

} // namespace
} // namespace sundra::uitest
