// The "Recording" dialog and the recording part of the Record command, offscreen.
// Most tests record from a steady source: a device that delivers a block every
// few milliseconds holding one sample value per channel until the test changes
// it, so the meters settle on known values and "END" ends the loop at once.

#include "audio/error_reporter.h"
#include "audio/test_sound_port.h"
#include "audio/wave_in_device.h"
#include "core/file.h"
#include "tests/support/test_files.h"
#include "tests/ui/recording_test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialogs/recording_dialog.h"
#include "ui/platform/message_box_reporter.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

using namespace sundra;
using sundra::uitest::onRecordingDialog;
using sundra::uitest::pressEscape;
using sundra::uitest::waitUntil;

constexpr std::int32_t kBlockFrames = 2757;

// What the steady device delivers, shared with the test.
struct SteadyLevel {
    std::mutex mutex;
    std::int16_t left = 0;
    std::int16_t right = 0;
    int blocksRead = 0;

    void set(std::int16_t newLeft, std::int16_t newRight) {
        std::lock_guard<std::mutex> guard(mutex);
        left = newLeft;
        right = newRight;
    }
    int blocks() {
        std::lock_guard<std::mutex> guard(mutex);
        return blocksRead;
    }
};

// A capture device that fills every read with the current steady level, paced
// at a block per 2 ms so that the loop neither spins nor times out.
class SteadyDevice : public SampleReader {
public:
    explicit SteadyDevice(std::shared_ptr<SteadyLevel> level) : level_(std::move(level)) {}
    std::int32_t read(void* buffer, std::int32_t capacity) override {
        std::unique_lock<std::mutex> lock(level_->mutex);
        paced_.wait_for(lock, std::chrono::milliseconds(2));
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        const std::int32_t frames = capacity / 4;
        for (std::int32_t frame = 0; frame < frames; ++frame) {
            const std::int16_t values[2] = {level_->left, level_->right};
            std::memcpy(bytes + frame * 4, values, 4);
        }
        ++level_->blocksRead;
        return frames * 4;
    }
    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }

private:
    std::shared_ptr<SteadyLevel> level_;
    std::condition_variable paced_;
    WaveFormat format_;
};

CaptureDeviceFactory steadyDevices(const std::shared_ptr<SteadyLevel>& level) {
    return [level](const WaveFormat&, int) { return std::make_unique<SteadyDevice>(level); };
}

std::unique_ptr<WaveFileWriter> newWriter(const std::string& path) {
    return std::make_unique<WaveFileWriter>(
        WaveFormat{},
        std::make_unique<FileByteStream>(std::make_unique<File>(
            path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)));
}

int value(CRecordingDialog& dialog, CRecordingDialog::Meter meter) {
    return dialog.meter(meter)->value();
}

// Every frame of the recorded data holds (left, right).
bool holdsOnly(const test::Bytes& wav, std::int16_t left, std::int16_t right) {
    for (std::size_t at = 44; at + 4 <= wav.size(); at += 4) {
        if (static_cast<std::int16_t>(wav[at] | wav[at + 1] << 8) != left ||
            static_cast<std::int16_t>(wav[at + 2] | wav[at + 3] << 8) != right)
            return false;
    }
    return true;
}

TEST(RecordingDialog, MetersFollowTheLevelsPeaksOnlyRiseAndOnlyBlocksAfterStartAreWritten) {
    test::TempDir folder;
    auto writer = newWriter(folder.file("take.wav"));
    auto level = std::make_shared<SteadyLevel>();
    level->set(16384, 8192);
    CRecordingDialog dialog(*writer, RecordSettings{}, nullptr, steadyDevices(level));

    EXPECT_EQ(dialog.windowTitle(), "Recording");
    for (auto meter : {CRecordingDialog::PeakChannel1, CRecordingDialog::LevelChannel1,
                       CRecordingDialog::LevelChannel0, CRecordingDialog::PeakChannel0}) {
        EXPECT_EQ(dialog.meter(meter)->minimum(), 0);
        EXPECT_EQ(dialog.meter(meter)->maximum(), 1000);
        EXPECT_EQ(dialog.meter(meter)->value(), 0);
    }
    EXPECT_EQ(dialog.startButton()->text(), "Start");
    EXPECT_TRUE(dialog.startButton()->isEnabled());
    EXPECT_EQ(dialog.endButton()->text(), "END");
    EXPECT_TRUE(dialog.endButton()->isDefault());
    EXPECT_FALSE(dialog.endButton()->isEnabled());

    bool levelsShown = false;
    bool quieterShown = false;
    int peaks[2] = {-1, -1};
    const int result = uitest::execWith(dialog, [&] {
        levelsShown = waitUntil([&] {
            return value(dialog, CRecordingDialog::LevelChannel0) == 500 &&
                   value(dialog, CRecordingDialog::LevelChannel1) == 250;
        });
        // Channel 0 falls to 4000 / 32768 x 1000 = 122.07 (a level below the
        // midpoint moves the meter by its size), channel 1 to 3277 / 32768 x
        // 1000 = 100.006, shown as 100.
        level->set(-4000, 3277);
        quieterShown = waitUntil([&] {
            return value(dialog, CRecordingDialog::LevelChannel0) == 122 &&
                   value(dialog, CRecordingDialog::LevelChannel1) == 100;
        });
        peaks[0] = value(dialog, CRecordingDialog::PeakChannel0);
        peaks[1] = value(dialog, CRecordingDialog::PeakChannel1);

        dialog.startButton()->click();
        EXPECT_FALSE(dialog.startButton()->isEnabled());
        EXPECT_TRUE(dialog.endButton()->isEnabled());
        EXPECT_TRUE(dialog.isWriting());
        const int before = level->blocks();
        waitUntil([&] { return level->blocks() > before + 3; });
        dialog.endButton()->click();
    });
    EXPECT_TRUE(levelsShown);
    EXPECT_TRUE(quieterShown);
    EXPECT_EQ(peaks[0], 500);
    EXPECT_EQ(peaks[1], 250);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.stopReason(), 0);

    // Only blocks read after "Start" are in the file, whole.
    EXPECT_GT(writer->length(), 0);
    EXPECT_EQ(writer->length() % kBlockFrames, 0);
    writer.reset();
    const test::Bytes wav = test::readBytes(folder.file("take.wav"));
    EXPECT_TRUE(holdsOnly(wav, -4000, 3277));
}

TEST(RecordToFile, EscapeBeforeStartLeavesAHeaderOnlyFileAndNoRecording) {
    test::TempDir folder;
    auto level = std::make_shared<SteadyLevel>();
    level->set(1000, 1000);
    onRecordingDialog([&](CRecordingDialog& dialog) {
        waitUntil([&] { return level->blocks() > 3; });
        pressEscape(dialog);
    });
    RecordingOutcome outcome =
        recordToFile(folder.file("new.wav"), RecordSettings{}, nullptr, steadyDevices(level));
    EXPECT_EQ(outcome.writer, nullptr);
    EXPECT_EQ(outcome.stopReason, 0);
    const test::Bytes wav = test::readBytes(folder.file("new.wav"));
    ASSERT_EQ(wav.size(), uitest::kRecordingHeader);
    EXPECT_EQ(test::get32(wav, uitest::kRecordingDataSize), 0u);
}

TEST(RecordToFile, AutoStopEndsTheDialogWithOkAndHandsOverTheOpenFile) {
    test::TempDir folder;
    auto level = std::make_shared<SteadyLevel>();
    RecordSettings settings;
    settings.autoStop = true;
    settings.autoStopTime = 0.5; // 9 quiet blocks end it; 8 are written
    onRecordingDialog([](CRecordingDialog& dialog) { dialog.startButton()->click(); });

    RecordingOutcome outcome =
        recordToFile(folder.file("quiet.wav"), settings, nullptr, steadyDevices(level));
    ASSERT_NE(outcome.writer, nullptr);
    EXPECT_EQ(outcome.stopReason, 0);
    EXPECT_EQ(outcome.writer->length(), 8 * kBlockFrames);
    // The header on disk is already final while the file stays open as a master.
    EXPECT_EQ(test::get32(test::readBytes(folder.file("quiet.wav")), uitest::kRecordingDataSize),
              8u * 4 * kBlockFrames);
    EXPECT_EQ(outcome.writer->format(), WaveFormat{});
    // The writer reads what it wrote, as a master does.
    outcome.writer->seek(0);
    std::vector<std::uint8_t> frames(4 * 8 * kBlockFrames, 0xFF);
    EXPECT_EQ(outcome.writer->read(frames.data(), static_cast<std::int32_t>(frames.size())),
              static_cast<std::int32_t>(frames.size()));
    EXPECT_EQ(std::count(frames.begin(), frames.end(), 0),
              static_cast<std::ptrdiff_t>(frames.size()));
}

TEST(RecordToFile, OverloadEndsTheDialogWithCancelAndStopReasonTwo) {
    test::TempDir folder;
    auto level = std::make_shared<SteadyLevel>();
    level->set(32767, 32767);
    RecordSettings settings;
    settings.overloadStop = true;
    settings.overloadStopLevel = 0.99;
    onRecordingDialog([](CRecordingDialog& dialog) { dialog.startButton()->click(); });

    RecordingOutcome outcome =
        recordToFile(folder.file("loud.wav"), settings, nullptr, steadyDevices(level));
    EXPECT_EQ(outcome.writer, nullptr);
    EXPECT_EQ(outcome.stopReason, 2);
    EXPECT_EQ(test::readBytes(folder.file("loud.wav")).size(), uitest::kRecordingHeader);
}

TEST(RecordToFile, DeviceWithoutSoundShowsExceptionAndEndsTheDialog) {
    test::TempDir folder;
    installMessageBoxErrorReporter();
    uitest::MessageCapture messages;
    auto script = std::make_shared<TestSoundScript>();
    script->feedBytes(test::Bytes(4 * kBlockFrames * 2, 0));
    bool started = false;
    onRecordingDialog([&](CRecordingDialog& dialog) {
        dialog.startButton()->click();
        started = true;
    });

    RecordingOutcome outcome =
        recordToFile(folder.file("broken.wav"), RecordSettings{}, nullptr,
                     [script](const WaveFormat& format, int perSecond) {
                         return std::make_unique<WaveInDevice>(
                             format, perSecond, std::make_unique<TestSoundPort>(script));
                     });
    EXPECT_EQ(outcome.writer, nullptr);
    EXPECT_EQ(outcome.stopReason, 0);
    EXPECT_TRUE(waitUntil([&] { return !messages.texts().isEmpty(); }));
    EXPECT_EQ(messages.texts(), QStringList{"exception!!"});
    setErrorReporter({});
    // What came before the device fell silent stays in the file.
    const test::Bytes wav = test::readBytes(folder.file("broken.wav"));
    EXPECT_EQ((wav.size() - uitest::kRecordingHeader) % (4 * kBlockFrames), 0u);
    EXPECT_LE(wav.size(), uitest::kRecordingHeader + 2 * 4 * kBlockFrames);
    EXPECT_TRUE(started);
}

TEST(RecordToFile, FileThatCannotBeCreatedFailsBeforeAnyDialog) {
    test::TempDir folder;
    auto level = std::make_shared<SteadyLevel>();
    EXPECT_THROW(recordToFile(folder.file("missing/take.wav"), RecordSettings{}, nullptr,
                              steadyDevices(level)),
                 FileError);
    EXPECT_EQ(level->blocks(), 0);
}

TEST(RecordToFile, SaveAsDialogAsksForAWaveFile) {
    test::TempDir folder;
    QString chosen;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        waitUntil([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); });
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->defaultSuffix(), "wav");
        EXPECT_EQ(dialog->nameFilters(), QStringList{"Wave(*.wav)"});
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        checked = true;
        dialog->setDirectory(QString::fromStdString(folder.path().string()));
        dialog->selectFile(QStringLiteral("concert"));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, which checks the name
    });
    chosen = chooseRecordingPath(nullptr);
    EXPECT_TRUE(checked);
    EXPECT_EQ(chosen, QString::fromStdString(folder.file("concert.wav")));
}

} // namespace
