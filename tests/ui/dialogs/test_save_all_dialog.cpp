// The save-all dialog writing real files: every track as a file of exactly its
// frames beside the document, a file that cannot be written stopping the export
// with the error shown and the dialog open, and Cancel during the second file,
// or in the middle of a long track's FLAC file, which abandons it at once.

#include "audio/error_reporter.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialogs/save_all_dialog.h"
#include "ui/platform/message_box_reporter.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace {

using namespace sundra;
using sundra::uitest::waitUntil;

constexpr std::int32_t kSecond = 44100;

// A master of five tracks, each of its own length and sample value, so that a
// file holding the wrong frames cannot match.
class SaveAllDialogTest : public ::testing::Test {
protected:
    SaveAllDialogTest() {
        std::vector<test::Run> runs;
        for (int i = 0; i < 5; ++i)
            runs.push_back({kSecond + 1234 * i, static_cast<std::int16_t>(1000 * (i + 1))});
        documentPath = folder.file("take.wav");
        test::writeRunsWav(documentPath, WaveFormat{}, runs);
        master = uitest::openWave(documentPath);
        std::int32_t start = 0;
        for (const test::Run& run : runs) {
            bounds.push_back({start, start + run.frames});
            values.push_back(run.value);
            start += run.frames;
        }
    }

    // What the file of track i must hold: the canonical header and its frames.
    test::Bytes expectedFile(int i) const {
        const auto frames = static_cast<std::size_t>(bounds[i].second - bounds[i].first);
        return test::canonicalWav(WaveFormat{},
                                  test::pcm16(std::vector<std::int16_t>(2 * frames, values[i])));
    }
    TrackSegment& track(int i) {
        while (tracks.size() <= static_cast<std::size_t>(i))
            tracks.push_back(std::make_unique<TrackSegment>(*master, bounds[tracks.size()].first,
                                                            bounds[tracks.size()].second));
        return *tracks[i];
    }
    bool exists(const std::string& name) const {
        return std::filesystem::exists(folder.file(name));
    }

    test::TempDir folder;
    std::string documentPath;
    std::unique_ptr<WaveFileReader> master;
    std::vector<std::pair<std::int32_t, std::int32_t>> bounds;
    std::vector<std::int16_t> values;
    std::vector<std::unique_ptr<TrackSegment>> tracks;
};

TEST_F(SaveAllDialogTest, WritesEachTrackBesideTheDocumentHoldingExactlyItsFrames) {
    CSaveAllDialog dialog(documentPath, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Save All Dialog");
    EXPECT_EQ(dialog.cancelButton()->text(), "ｷｬﾝｾﾙ");
    EXPECT_EQ(dialog.nameLabel()->text(), "");
    for (int i = 0; i < 3; ++i)
        dialog.addJob("take-0" + std::to_string(i), &track(i + 1));

    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(test::readBytes(folder.file("take-0" + std::to_string(i) + ".wav")),
                  expectedFile(i + 1))
            << i;
    EXPECT_EQ(dialog.nameLabel()->text(), "take-02");
    EXPECT_EQ(dialog.overallLabel()->text(), "Track 3 of 3");
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{"take-00.wav", "take-01.wav", "take-02.wav", "take.wav"}));
    EXPECT_EQ(dialog.closingMessage(), QStringLiteral("Saved 3 tracks in %1.")
                                           .arg(QString::fromStdString(folder.path().string())));
}

TEST_F(SaveAllDialogTest, AFileThatCannotBeWrittenStopsTheExportAndTheDialogStaysOpen) {
    // A folder of that name is never replaced by a track.
    const std::string impossible = "c";
    std::filesystem::create_directory(folder.file("c.wav"));
    CSaveAllDialog dialog(documentPath, nullptr);
    dialog.addJob("a", &track(0));
    dialog.addJob("b", &track(1));
    dialog.addJob(impossible, &track(2));
    dialog.addJob("d", &track(3));
    uitest::MessageCapture capture;
    installMessageBoxErrorReporter();

    const int result = uitest::execWith(dialog, [&] {
        ASSERT_TRUE(waitUntil([&] { return !capture.texts().isEmpty(); }));
        // The worker reports the error just before it ends.
        EXPECT_TRUE(waitUntil([&] { return dialog.worker().wait(0); }));
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.isVisible()) << "no OK follows a failure";
        EXPECT_EQ(dialog.nameLabel()->text().toStdString(), impossible);
        dialog.cancelButton()->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(capture.texts().size(), 1);
    EXPECT_TRUE(capture.texts()[0].contains(QString::fromStdString(impossible)))
        << capture.texts()[0].toStdString();
    EXPECT_EQ(test::readBytes(folder.file("a.wav")), expectedFile(0));
    EXPECT_EQ(test::readBytes(folder.file("b.wav")), expectedFile(1));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"a.wav", "b.wav", "c.wav", "take.wav"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("c.wav")));
    EXPECT_EQ(dialog.closingMessage(), QStringLiteral("Saved 2 of 4 tracks in %1.\nThe track c "
                                                      "could not be written; the track after it "
                                                      "was not saved.")
                                           .arg(QString::fromStdString(folder.path().string())));
    sundra::setErrorReporter({});
}

TEST_F(SaveAllDialogTest, CancelDuringTheSecondOfFiveFilesAbandonsItAndWritesNoMore) {
    // The second track holds its worker at its first read until the test lets go.
    uitest::GatedTrack second(*master, bounds[1].first, bounds[1].second, 0);
    auto dialog = std::make_unique<CSaveAllDialog>(documentPath, nullptr);
    for (int i = 0; i < 5; ++i)
        dialog->addJob("t" + std::to_string(i), i == 1 ? &second : &track(i));

    const int result = uitest::execWith(*dialog, [&] {
        ASSERT_TRUE(waitUntil([&] { return second.entered(); }));
        EXPECT_TRUE(waitUntil([&] { return dialog->nameLabel()->text() == "t1"; }));
        dialog->cancelButton()->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(dialog->worker().wait(0)) << "Cancel does not wait for the file being written";
    second.open();
    EXPECT_EQ(dialog->closingMessage(),
              QStringLiteral("Saved 1 of 5 tracks in %1.\nSave All was cancelled: the 4 tracks "
                             "left were not saved.")
                  .arg(QString::fromStdString(folder.path().string())))
        << "the message waits for the file being abandoned";
    dialog.reset();
    EXPECT_EQ(test::readBytes(folder.file("t0.wav")), expectedFile(0));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"t0.wav", "take.wav"}));
}

TEST_F(SaveAllDialogTest, CancelInTheMiddleOfALongTracksFlacFileStopsItAtOnceAndLeavesNoFile) {
    // A minute in one track, whose worker the test holds at its 30th second.
    const std::string longPath = folder.file("long.wav");
    test::writeRunsWav(longPath, WaveFormat{}, {{60 * kSecond, 3000}});
    std::unique_ptr<WaveFileReader> longMaster = uitest::openWave(longPath);
    struct CountedTrack : uitest::GatedTrack {
        using GatedTrack::GatedTrack;
        std::int32_t read(void* buffer, std::int32_t byteCount) override {
            ++reads;
            return GatedTrack::read(buffer, byteCount);
        }
        std::atomic<int> reads{0};
    } track(*longMaster, 0, 60 * kSecond, 30 * kSecond);
    auto dialog = std::make_unique<CSaveAllDialog>(longPath, nullptr);
    dialog->addJob("long", &track);
    dialog->setExport({ExportFormat::Flac, 60}, {TrackTags{}});

    int readsAtCancel = 0;
    const int result = uitest::execWith(*dialog, [&] {
        ASSERT_TRUE(waitUntil([&] { return track.entered(); }));
        readsAtCancel = track.reads;
        dialog->cancelButton()->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    track.open();
    dialog.reset(); // waits for the worker
    EXPECT_EQ(track.reads, readsAtCancel) << "the export read on after Cancel";
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"long.wav", "take.wav"}));
}

} // namespace
