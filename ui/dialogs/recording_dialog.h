#pragma once
// CRecordingDialog: the "Recording" dialog. Its worker runs the capture loop of
// one recording into a WAV file; the dialog shows the last block's levels and
// the peaks reached on four meters, starts writing on "Start" and ends the
// recording with "END" (OK) or Escape (Cancel). The loop ends it by itself on
// auto stop (OK), overload or a failed read (Cancel).
//
// The sink (the recording's WaveFileWriter) belongs to the caller and must
// outlive the dialog. recordToFile is the Record command's part from the chosen
// path to the finished (or abandoned) file; the view makes an accepted
// recording its document's master.

#include "audio/capture_loop.h"
#include "audio/record_settings.h"
#include "ui/dialogs/worker_dialog.h"

#include <QPointer>
#include <QString>

#include <memory>
#include <string>

class QProgressBar;
class QPushButton;

class CRecordingDialog : public WorkerDialog {
    Q_OBJECT
public:
    // The meters by control number: the peak and level of channel 1 above, the
    // level and peak of channel 0 below.
    enum Meter {
        PeakChannel1 = 1009,
        LevelChannel1 = 1011,
        LevelChannel0 = 1004,
        PeakChannel0 = 1010
    };

    CRecordingDialog(sundra::WaveFileWriter& sink, const sundra::RecordSettings& settings,
                     QWidget* parent,
                     sundra::CaptureDeviceFactory makeDevice = sundra::waveInDeviceFactory());
    ~CRecordingDialog() override;

    // How the loop ended: 0 normally, 2 stopped by overload. Valid once exec
    // has returned (the worker has been joined by then).
    int stopReason() const { return loop_.stopReason(); }
    bool isWriting() const { return loop_.isWriting(); }

    QProgressBar* meter(Meter which) const;
    QPushButton* startButton() const { return start_; }
    QPushButton* endButton() const { return end_; }

    bool begin() override;
    int run(sundra::Event& stopEvent) override;

protected:
    // Levels follow the last block; peaks keep the highest level shown.
    void onTimer() override;

private:
    void onStart();

    sundra::CaptureLoop loop_;
    std::unique_ptr<sundra::Notifier> commands_;
    QPointer<QProgressBar> peak1_;
    QPointer<QProgressBar> level1_;
    QPointer<QProgressBar> level0_;
    QPointer<QProgressBar> peak0_;
    QPointer<QPushButton> start_;
    QPointer<QPushButton> end_;
};

// The Save-As dialog of the Record command: default suffix "wav", initial name
// "*.wav", filter "Wave(*.wav)", asking before it overwrites. Empty when the
// user cancelled.
QString chooseRecordingPath(QWidget* parent);

// What became of one recording.
struct RecordingOutcome {
    // The recorded file, open, when the dialog ended with OK; the caller makes
    // it the document's master. Otherwise null: the file was closed with a
    // header for what was written and stays on disk.
    std::unique_ptr<sundra::WaveFileWriter> writer;
    // 2 when an overload stopped the recording (the dialog then ended with
    // Cancel), else 0.
    int stopReason = 0;
    // The file error met while finishing the header after the dialog; empty
    // when there was none. The recording is handed over all the same.
    std::string fileError;
};

// Creates path (emptied, exclusive to this program while it records) with a
// WAV header for the recording format, and records into it with the dialog
// (modal, parent = parent). A file that cannot be created throws FileError
// before any dialog shows; a header that cannot be finished afterwards is
// reported in the outcome's fileError.
RecordingOutcome
recordToFile(const std::string& path, const sundra::RecordSettings& settings, QWidget* parent,
             sundra::CaptureDeviceFactory makeDevice = sundra::waveInDeviceFactory());
