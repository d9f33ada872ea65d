// The Record command in the running window program: its enable rule, what a
// cancelled, an ended, an auto-stopped and an overloaded recording leave on
// disk and in the document. The capture device is the silent real-time port
// (silence, paced like a card) unless a test feeds the scripted port.

#include "audio/test_sound_port.h"
#include "core/file.h"
#include "tests/ui/recording_test_support.h"
#include "tests/ui/window_test_support.h"
#include "ui/app/main_frame.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/view/dialog_launchers.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/view/transport.h"

#include <QPushButton>

#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace sundra::uitest {
namespace {

constexpr std::int32_t kBlockFrames = 2757;

class RecordCommandTest : public WindowTest {
protected:
    ~RecordCommandTest() override {
        // The view writes its record page when it goes; the options set here
        // must not reach the other tests.
        if (app) {
            app->shutdown();
            app.reset();
        }
        clearRecordOptions();
    }

    CSundraView& view() { return app->view(); }
    TrackListCtrl& list() { return app->view().list(); }
    CutsModel& cuts() { return app->view().cuts(); }
    CSundraDoc& document() { return app->document(); }

    // Record, answering the Save-As dialog with name in the test's folder.
    void record(const std::string& name) {
        const QString path = QString::fromStdString(folder.file(name));
        view().dialogs().setRecordingPathChooser([path](QWidget*) { return path; });
        ASSERT_TRUE(execute(command::kRecord));
    }
    std::int32_t masterLength() { return document().playback().master().length(); }
};

TEST_F(RecordCommandTest, IsEnabledOnlyWhileNothingPlays) {
    start({wav("song.wav", {{44100, 3000}})});
    EXPECT_TRUE(enabled(command::kRecord));
    ASSERT_TRUE(execute(command::kPlay));
    EXPECT_FALSE(enabled(command::kRecord));
    ASSERT_TRUE(execute(command::kStop));
    EXPECT_TRUE(waitUntil([this] { return view().transport().idle(); }));
    EXPECT_TRUE(enabled(command::kRecord));
}

TEST_F(RecordCommandTest, CancelledSaveAsRecordsNothing) {
    const QString song = wav("song.wav", {{1000, 3000}});
    start({song});
    view().dialogs().setRecordingPathChooser([](QWidget*) { return QString(); });
    ASSERT_TRUE(execute(command::kRecord));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"song.wav"});
    EXPECT_EQ(document().pathName(), song.toStdString());
}

TEST_F(RecordCommandTest, EscapeBeforeStartLeavesAHeaderOnlyFileAndTheDocumentUnchanged) {
    const QString song = wav("song.wav", {{1000, 3000}});
    start({song});
    onRecordingDialog([](CRecordingDialog& dialog) { pressEscape(dialog); });
    record("new.wav");

    const test::Bytes wav = test::readBytes(folder.file("new.wav"));
    ASSERT_EQ(wav.size(), uitest::kRecordingHeader);
    EXPECT_EQ(test::get32(wav, uitest::kRecordingDataSize), 0u);
    EXPECT_EQ(document().pathName(), song.toStdString());
    EXPECT_EQ(masterLength(), 1000);
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().name(0), "song");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(RecordCommandTest, EndedRecordingBecomesTheMasterWithOneTrackNamedAfterTheFile) {
    start({wav("song.wav", {{1000, 3000}})});
    onRecordingDialog([](CRecordingDialog& dialog) {
        dialog.startButton()->click();
        dialog.endButton()->click();
    });
    record("live take.wav");

    // Ended at once: the file holds no block or the few that came meanwhile.
    const std::string path = folder.file("live take.wav");
    EXPECT_EQ(document().pathName(), path);
    EXPECT_EQ(document().playback().master().format(), WaveFormat{});
    EXPECT_EQ(masterLength() % kBlockFrames, 0);
    EXPECT_EQ(std::filesystem::file_size(path),
              uitest::kRecordingHeader + 4u * static_cast<unsigned>(masterLength()));
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().name(0), "live take");
    EXPECT_EQ(cuts().trackAt(0)->absoluteStart(), 0);
    EXPECT_EQ(cuts().trackAt(0)->absoluteEnd(), masterLength());
    EXPECT_EQ(view().selectedTrack(), 0);
    EXPECT_EQ(app->recentFiles().entries().value(0), QString::fromStdString(path));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(RecordCommandTest, AutoStoppedRecordingBecomesTheMasterHoldingAllButTheLastQuietBlock) {
    setRecordOption("autostop", 1);
    setRecordOption("autostoptime", 5); // 0.5 s: the 9th quiet block ends it
    start({wav("song.wav", {{1000, 3000}})});
    onRecordingDialog([](CRecordingDialog& dialog) { dialog.startButton()->click(); });
    record("quiet.wav");

    EXPECT_EQ(document().pathName(), folder.file("quiet.wav"));
    EXPECT_EQ(masterLength(), 8 * kBlockFrames);
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().name(0), "quiet");
    EXPECT_EQ(cuts().trackAt(0)->length(), 8 * kBlockFrames);
    EXPECT_EQ(view().selectedTrack(), 0);
}

TEST_F(RecordCommandTest, OverloadShowsTheMessageAndLeavesTheDocumentUnchanged) {
    setRecordOption("overloadstop", 1);
    setRecordOption("overloadstoplevel", 90); // 0.99 of full scale
    const QString song = wav("song.wav", {{1000, 3000}});
    start({song});
    // From here on the capture device takes its sound from a script: blocks
    // clipped at negative full scale, held back until "Start" was pressed.
    auto script = std::make_shared<TestSoundScript>();
    script->feedBytes(test::pcm16(std::vector<std::int16_t>(2 * kBlockFrames * 4, -32768)));
    script->setInputStalled(true);
    ScopedSoundPortFactory scripted{[script] { return std::make_unique<TestSoundPort>(script); }};
    onRecordingDialog([script](CRecordingDialog& dialog) {
        dialog.startButton()->click();
        script->setInputStalled(false);
    });
    record("loud.wav");

    EXPECT_EQ(messages.texts(), QStringList{"overload : recording was stopped"});
    EXPECT_EQ(test::readBytes(folder.file("loud.wav")).size(), uitest::kRecordingHeader);
    EXPECT_EQ(document().pathName(), song.toStdString());
    EXPECT_EQ(masterLength(), 1000);
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().name(0), "song");
}

// From now on every write to the open file at path fails as on a full disk:
// its descriptor is replaced by one of /dev/full.
void failWritesTo(const std::string& path) {
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored) == path) {
            ASSERT_GE(::dup2(full, std::stoi(entry.path().filename().string())), 0);
            found = true;
        }
    }
    ::close(full);
    EXPECT_TRUE(found) << path << " is not open";
}

TEST_F(RecordCommandTest, AHeaderThatCannotBeFinishedIsReportedAndTheRestStillHappens) {
    const QString song = wav("song.wav", {{1000, 3000}});
    start({song});
    const std::string path = folder.file("take.wav");
    const QString diskFull =
        QString::fromStdString(FileError::textFor(FileError::Cause::DiskFull, path));

    // Ended with OK: the error, then the recording becomes the document.
    onRecordingDialog([&](CRecordingDialog& dialog) {
        failWritesTo(path);
        dialog.accept();
    });
    record("take.wav");
    EXPECT_EQ(messages.texts().join("|").toStdString(), diskFull.toStdString());
    EXPECT_EQ(document().pathName(), path);
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().name(0), "take");
    EXPECT_EQ(view().selectedTrack(), 0);

    // Stopped by an overload: the error, then the overload message; the
    // document stays as it was.
    // The view stores its options as it goes: these are read by the next one.
    app->shutdown();
    setRecordOption("overloadstop", 1);
    setRecordOption("overloadstoplevel", 90);
    start({song});
    auto script = std::make_shared<TestSoundScript>();
    script->feedBytes(test::pcm16(std::vector<std::int16_t>(2 * kBlockFrames * 4, 32767)));
    script->setInputStalled(true);
    ScopedSoundPortFactory scripted{[script] { return std::make_unique<TestSoundPort>(script); }};
    const std::string loud = folder.file("loud.wav");
    onRecordingDialog([&](CRecordingDialog& dialog) {
        failWritesTo(loud);
        dialog.startButton()->click();
        script->setInputStalled(false);
    });
    record("loud.wav");
    const QStringList expected{
        diskFull, QString::fromStdString(FileError::textFor(FileError::Cause::DiskFull, loud)),
        "overload : recording was stopped"};
    EXPECT_EQ(messages.texts().join("|").toStdString(), expected.join("|").toStdString());
    EXPECT_EQ(document().pathName(), song.toStdString());
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(cuts().name(0), "song");
}

TEST_F(RecordCommandTest, FileThatCannotBeCreatedIsReportedAndNothingChanges) {
    const QString song = wav("song.wav", {{1000, 3000}});
    start({song});
    record("no such folder/take.wav");
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].contains("take.wav")) << messages.texts()[0].toStdString();
    EXPECT_EQ(document().pathName(), song.toStdString());
}

} // namespace
} // namespace sundra::uitest
