// Finding the tracks of a generated record in the window: Find Tracks gives
// every song as one undo step (and its gaps on the waveform), its Cancel
// hands nothing over; Split into Tracks by a count, by a pasted list whose
// times are a few seconds off, and by a whole album's list (the side's lines
// chosen) names the tracks; too few gaps or a bad line change nothing.

#include "tests/support/record_album.h"
#include "tests/ui/view/view_test.h"
#include "ui/dialogs/find_tracks_dialog.h"
#include "ui/dialogs/split_into_tracks_dialog.h"
#include "ui/platform/command_ids.h"
#include "ui/view/split_commands.h"
#include "ui/waveform/waveform_strip.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUndoStack>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr int kSongs = 4;

class TrackFinding : public ViewTest {
protected:
    void openRecord() {
        test::RecordPlan plan = test::recordSide(kSongs, 7);
        plan.noise = test::needleFloor();
        const std::string path = folder.file("side.wav");
        album = test::writeRecordAlbum(path, plan);
        start({QString::fromStdString(path)});
    }

    // Every song is one row that holds its audible music but for a second at
    // either end and reaches into no other song.
    void expectSongs(const char* step) {
        ASSERT_EQ(cuts().rowCount(), kSongs);
        const std::int32_t slack = 44100;
        for (int k = 0; k < kSongs; ++k) {
            const test::SongSpan& song = album.songs[static_cast<std::size_t>(k)];
            EXPECT_LE(span(k).start, song.audibleStart + slack) << k;
            EXPECT_GE(span(k).end, song.audibleEnd - slack) << k;
            if (k > 0) {
                EXPECT_GE(span(k).start, album.songs[k - 1u].audibleEnd) << k;
            }
        }
        EXPECT_EQ(cuts().undoStack().count(), 1);
        EXPECT_EQ(cuts().undoStack().undoText(), step);
        EXPECT_EQ(view().selectedTrack(), 0);
        ASSERT_TRUE(view().waveform().gapOverlay());
        EXPECT_EQ(view().waveform().gapOverlay()->chosen.size(), kSongs - 1u);
    }

    // The sleeve's time of song k: up to 3 s off, both ways.
    QString sleeveTime(int k) {
        static constexpr double kOff[] = {3.0, -2.0, -3.0, 2.0};
        const test::SongSpan& song = album.songs[static_cast<std::size_t>(k)];
        const int seconds = static_cast<int>((song.end - song.start) / 44100.0 + kOff[k]);
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
    }

    test::RecordAlbum album;
};

TEST_F(TrackFinding, FindTracksGivesEverySongInOneStep) {
    openRecord();
    EXPECT_TRUE(enabled(kFindTracks));
    ASSERT_TRUE(execute(kFindTracks));
    expectSongs("Find Tracks");
    EXPECT_EQ(cuts().name(0), "side-00");
    EXPECT_EQ(cuts().name(3), "side-03");
    cuts().undoStack().undo();
    EXPECT_EQ(cuts().rowCount(), 1);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(TrackFinding, CancelledFindTracksHandsNothingOver) {
    openRecord();
    // The worker waits at 30 s until the test has cancelled.
    GatedTrack row(playback().master(), 0, playback().master().length(), 30 * 44100);
    CFindTracksDialog dialog(row, {}, nullptr);
    EXPECT_EQ(dialog.cancelButton()->text(), "ｷｬﾝｾﾙ");
    const int result = execWith(dialog, [&] {
        ASSERT_TRUE(waitUntil([&] { return row.entered(); }));
        dialog.worker().requestStop();
        row.open();
        dialog.cancelButton()->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(dialog.pieces().empty());
    EXPECT_FALSE(dialog.found());
}

TEST_F(TrackFinding, SplitIntoTracksCutsByACountOrAListAndNamesTheTracksByIt) {
    const struct Case {
        const char* name;
        QStringList before; // lines of a whole album's list before the side's
        QStringList after;
        int count; // without a list
        std::vector<std::string> names;
    } cases[] = {
        {"a count", {}, {}, kSongs, {"side-00", "side-01", "side-02", "side-03"}},
        {"the side's list", {""}, {}, 0, {"01 Song A", "02 Song B", "03 Song C", "04 Song D"}},
        {"a whole album's list",
         {"Side A", "1. Overture 6:10", "2. Ballad 5:05", "Side B"},
         {"7. Finale 7:40", "8. Encore 3:30"},
         0,
         {"01 Song A", "02 Song B", "03 Song C", "04 Song D"}},
    };
    openRecord();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList lines = c.before;
        if (!lines.isEmpty())
            for (int k = 0; k < kSongs; ++k)
                lines << QStringLiteral("%1. Song %2 - %3")
                             .arg(k + 3)
                             .arg(QChar('A' + k))
                             .arg(sleeveTime(k));
        lines << c.after;
        QString status;
        view().splitCommands().setTracksQuestion([&](CSplitIntoTracksDialog& dialog) {
            if (c.count > 0)
                dialog.countBox()->setValue(c.count);
            dialog.listBox()->setPlainText(lines.join('\n').trimmed());
            status = dialog.statusLabel()->text();
            if (c.before.size() > 1) { // the side's lines, chosen by their times
                EXPECT_EQ(dialog.firstLineBox()->currentIndex(), 2);
                EXPECT_EQ(dialog.lastLineBox()->currentIndex(), 5);
            }
            return dialog.okButton()->isEnabled() ? QDialog::Accepted : QDialog::Rejected;
        });
        ASSERT_TRUE(execute(kSplitIntoTracks)) << status.toStdString();
        expectSongs("Split into Tracks");
        std::vector<std::string> names;
        for (int row = 0; row < cuts().rowCount(); ++row)
            names.push_back(cuts().name(row));
        EXPECT_EQ(names, c.names) << status.toStdString();
        if (c.count == 0) {
            EXPECT_EQ(cuts().album().titles,
                      (std::vector<std::string>{"Song A", "Song B", "Song C", "Song D"}));
        }
        cuts().undoStack().undo();
        ASSERT_EQ(cuts().rowCount(), 1);
        EXPECT_TRUE(cuts().album().titles.empty());
        cuts().undoStack().clear();
    }
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(TrackFinding, TooFewGapsOrABadLineChangeNothing) {
    openRecord();
    QString tooFew;
    view().splitCommands().setTracksQuestion([&](CSplitIntoTracksDialog& dialog) {
        dialog.listBox()->setPlainText("1. Intro 3:10\n2. - 2:50\n");
        EXPECT_EQ(dialog.statusLabel()->text(), "line 2: a track needs a title");
        EXPECT_FALSE(dialog.okButton()->isEnabled());
        dialog.listBox()->clear();
        const auto gaps = static_cast<int>(dialog.found().detection.candidates.size());
        tooFew = QStringLiteral("found only %1 gaps").arg(gaps);
        dialog.countBox()->setValue(gaps + 2);
        EXPECT_EQ(dialog.statusLabel()->text(), tooFew);
        EXPECT_FALSE(dialog.okButton()->isEnabled());
        return QDialog::Accepted; // as if OK had been pressed
    });
    ASSERT_TRUE(execute(kSplitIntoTracks));
    EXPECT_EQ(messages.texts(), QStringList{tooFew});
    EXPECT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().undoStack().count(), 0);
}

} // namespace
} // namespace sundra::uitest
