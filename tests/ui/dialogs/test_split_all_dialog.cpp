// The split-all dialog on a real WAV file: the pieces on OK, nothing handed
// over after Cancel (which waits for the piece being cut), the progress bar
// following the source, and an error of the source leaving the dialog open.

#include "audio/error_reporter.h"
#include "core/file.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialogs/split_all_dialog.h"
#include "ui/platform/message_box_reporter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace sundra;
using sundra::uitest::waitUntil;

constexpr std::int16_t kTone = 10000; // far above the default sense level of 0.05
constexpr std::int32_t kSecond = 44100;

class SplitAllDialogTest : public ::testing::Test {
protected:
    // Writes the album and opens it as the master.
    void makeMaster(const std::vector<test::Run>& runs) {
        path = folder.file("album.wav");
        test::writeRunsWav(path, WaveFormat{}, runs);
        master = uitest::openWave(path);
    }

    test::TempDir folder;
    std::string path;
    std::unique_ptr<WaveFileReader> master;
};

TEST_F(SplitAllDialogTest, EndsWithOkAndThePiecesOfTheTrack) {
    makeMaster({{4 * kSecond, kTone}, {2 * kSecond, 0}, {4 * kSecond, kTone}, {3 * kSecond, 0}});
    TrackSegment source(*master);
    CSplitAllDialog dialog(source, SplitSettings::fromPageValues(50, 10, 10, 1), nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Split All Dialog");
    EXPECT_EQ(dialog.cancelButton()->text(), "ｷｬﾝｾﾙ");
    EXPECT_EQ(dialog.progressBar()->maximum(), 100);

    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    ASSERT_EQ(dialog.pieces().size(), 2u);
    EXPECT_EQ(dialog.pieces()[0]->start(), 0);
    EXPECT_EQ(dialog.pieces()[0]->end(), 176400);
    EXPECT_EQ(dialog.pieces()[1]->start(), 264600);
    EXPECT_EQ(dialog.pieces()[1]->end(), 441000);
    EXPECT_EQ(&dialog.pieces()[0]->parent(), &source);
    EXPECT_TRUE(dialog.worker().wait(0));
}

TEST_F(SplitAllDialogTest, CancelWaitsForThePieceBeingCutAndHandsNothingOver) {
    std::vector<test::Run> runs;
    for (int i = 0; i < 5; ++i) {
        runs.push_back({2 * kSecond, kTone});
        runs.push_back({2 * kSecond, 0});
    }
    makeMaster(runs);
    // The third sound starts at 8 s: the worker stops there with two pieces cut.
    uitest::GatedTrack source(*master, 0, master->length(), 8 * kSecond);
    CSplitAllDialog dialog(source, SplitSettings::fromPageValues(50, 10, 10, 1), nullptr);

    const int result = uitest::execWith(dialog, [&] {
        ASSERT_TRUE(waitUntil([&] { return source.entered(); }));
        // The window thread stays free while the worker scans: the timer shows
        // the position the worker reached (8 s of 20 s).
        EXPECT_TRUE(waitUntil([&] { return dialog.progressBar()->value() == 40; }))
            << dialog.progressBar()->value();
        // Cancel's stop request is made before the worker goes on, so that the
        // piece being cut is the last one it works on.
        dialog.worker().requestStop();
        source.open();
        dialog.cancelButton()->click();
        EXPECT_TRUE(dialog.worker().wait(0)) << "Cancel returns only after the worker ended";
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(dialog.pieces().empty());
    EXPECT_LT(source.tell(), source.length()) << "the worker stopped after the current piece";
    EXPECT_GE(source.tell(), 10 * kSecond);
}

// Records whether the dialog's worker still ran when the dialog was hidden;
// then lets the worker go on.
class HideProbe : public QObject {
public:
    HideProbe(CSplitAllDialog& dialog, uitest::GatedTrack& source)
        : dialog_(dialog), source_(source) {}
    bool hiddenWhileWorking = false;
    bool hidden = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && !hidden) {
            hidden = true;
            hiddenWhileWorking = !dialog_.worker().wait(0);
            source_.open();
        }
        return false;
    }

private:
    CSplitAllDialog& dialog_;
    uitest::GatedTrack& source_;
};

TEST_F(SplitAllDialogTest, CancelHidesTheDialogBeforeWaitingForTheWorker) {
    std::vector<test::Run> runs;
    for (int i = 0; i < 3; ++i) {
        runs.push_back({2 * kSecond, kTone});
        runs.push_back({2 * kSecond, 0});
    }
    makeMaster(runs);
    uitest::GatedTrack source(*master, 0, master->length(), 6 * kSecond);
    CSplitAllDialog dialog(source, SplitSettings::fromPageValues(50, 10, 10, 1), nullptr);
    HideProbe probe(dialog, source);
    dialog.installEventFilter(&probe);
    // Guards against a hang only: a dialog that waits before it hides would
    // wait for ever on the closed gate.
    KernelEvent finished(false, true);
    std::thread guard([&] {
        if (!finished.lock(20000))
            source.open();
    });
    const int result = uitest::execWith(dialog, [&] {
        ASSERT_TRUE(waitUntil([&] { return source.entered(); }));
        dialog.cancelButton()->click();
    });
    finished.set();
    guard.join();
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(probe.hidden);
    EXPECT_TRUE(probe.hiddenWhileWorking) << "the dialog stayed on screen until the worker ended";
    EXPECT_TRUE(dialog.worker().wait(0)) << "exec returns only after the worker ended";
    EXPECT_TRUE(dialog.pieces().empty());
}

TEST_F(SplitAllDialogTest, AnErrorOfTheSourceIsShownAndTheDialogStaysOpenUntilCancelled) {
    makeMaster({{4 * kSecond, kTone}, {2 * kSecond, 0}, {4 * kSecond, kTone}, {3 * kSecond, 0}});
    uitest::FailingTrack source(*master, 7 * kSecond);
    CSplitAllDialog dialog(source, SplitSettings::fromPageValues(50, 10, 10, 1), nullptr);
    uitest::MessageCapture capture;
    installMessageBoxErrorReporter();

    const int result = uitest::execWith(dialog, [&] {
        ASSERT_TRUE(waitUntil([&] { return !capture.texts().isEmpty(); }));
        // The worker reports the error just before it ends.
        EXPECT_TRUE(waitUntil([&] { return dialog.worker().wait(0); }));
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.isVisible()) << "no OK follows a failure";
        EXPECT_EQ(dialog.result(), 0);
        dialog.cancelButton()->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(capture.texts(), QStringList{QString::fromStdString(FileError::textFor(
                                   FileError::Cause::HardIO, "/broken/master.wav"))});
    EXPECT_TRUE(dialog.pieces().empty());
    sundra::setErrorReporter({});
}

} // namespace
