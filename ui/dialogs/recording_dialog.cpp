#include "ui/dialogs/recording_dialog.h"

#include "core/file.h"
#include "ui/platform/dialog_font.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kMeterMaximum = 1000;

QProgressBar* makeMeter(QWidget* parent, int heightInDialogUnits, const char* name) {
    auto* meter = new QProgressBar(parent);
    meter->setObjectName(QString::fromLatin1(name));
    meter->setRange(0, kMeterMaximum);
    meter->setValue(0);
    meter->setTextVisible(false);
    meter->setFixedHeight(dialogUnitsToPixels(parent->font(), 0, heightInDialogUnits).height());
    return meter;
}

void showLevel(QProgressBar& level, QProgressBar& peak, int value) {
    level.setValue(value);
    if (peak.value() < value) {
        peak.setValue(value);
    }
}

} // namespace

CRecordingDialog::CRecordingDialog(sundra::WaveFileWriter& sink,
                                   const sundra::RecordSettings& settings, QWidget* parent,
                                   sundra::CaptureDeviceFactory makeDevice)
    : WorkerDialog(parent), loop_(sink, settings, std::move(makeDevice)) {
    setWindowTitle(QStringLiteral("Recording"));
    setMinimumSize(dialogUnitsToPixels(font(), 187, 89));

    // Top to bottom as in the dialog's template: peak and level of channel 1,
    // level and peak of channel 0.
    peak1_ = makeMeter(this, 6, "peakChannel1");
    level1_ = makeMeter(this, 17, "levelChannel1");
    level0_ = makeMeter(this, 17, "levelChannel0");
    peak0_ = makeMeter(this, 6, "peakChannel0");

    start_ = new QPushButton(QStringLiteral("Start"), this);
    start_->setObjectName(QStringLiteral("startButton"));
    start_->setAutoDefault(false);
    start_->setMinimumSize(dialogUnitsToPixels(font(), 54, 14));
    connect(start_, &QPushButton::clicked, this, [this] { onStart(); });

    end_ = new QPushButton(QStringLiteral("END"), this);
    end_->setObjectName(QStringLiteral("endButton"));
    end_->setDefault(true);
    end_->setMinimumSize(dialogUnitsToPixels(font(), 54, 14));
    // Nothing to end before the recording has started; Escape still cancels.
    end_->setEnabled(false);
    connect(end_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_, 54);
    buttons->addStretch(66);
    buttons->addWidget(end_, 54);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(dialogUnitsToPixels(font(), 0, 3).height());
    for (QProgressBar* meter : {peak1_.data(), level1_.data(), level0_.data(), peak0_.data()}) {
        layout->addWidget(meter);
    }
    layout->addLayout(buttons);
}

CRecordingDialog::~CRecordingDialog() {
    // run uses loop_: the worker must be gone before it is.
    stopAndJoin();
}

QProgressBar* CRecordingDialog::meter(Meter which) const {
    switch (which) {
    case PeakChannel1:
        return peak1_;
    case LevelChannel1:
        return level1_;
    case LevelChannel0:
        return level0_;
    case PeakChannel0:
        return peak0_;
    }
    return nullptr;
}

bool CRecordingDialog::begin() {
    // Built on the window thread, before the worker exists.
    commands_ = commandNotifier();
    return true;
}

int CRecordingDialog::run(sundra::Event& stopEvent) {
    return loop_.run(stopEvent, *commands_);
}

void CRecordingDialog::onStart() {
    start_->setEnabled(false);
    end_->setEnabled(true);
    loop_.startWriting();
}

void CRecordingDialog::onTimer() {
    const sundra::CaptureLoop::MeterLevels levels = loop_.meterLevels();
    showLevel(*level0_, *peak0_, levels.channel0);
    showLevel(*level1_, *peak1_, levels.channel1);
}

QString chooseRecordingPath(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    dialog.setNameFilter(QStringLiteral("Wave(*.wav)"));
    dialog.selectFile(QStringLiteral("*.wav"));
    // Overwriting asks first (QFileDialog's default for saving, kept explicit).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().first();
}

RecordingOutcome recordToFile(const std::string& path, const sundra::RecordSettings& settings,
                              QWidget* parent, sundra::CaptureDeviceFactory makeDevice) {
    auto file = std::make_unique<sundra::File>(path, sundra::File::Access::ReadWrite,
                                               sundra::File::Share::Exclusive,
                                               sundra::File::Disposition::Create);
    RecordingOutcome outcome;
    // A recording may run past 4 GiB: its header keeps room for the RF64 sizes.
    outcome.writer = std::make_unique<sundra::WaveFileWriter>(
        sundra::WaveFormat{}, std::make_unique<sundra::FileByteStream>(std::move(file)),
        sundra::WaveFileWriter::kOpenEnded);
    int result = QDialog::Rejected;
    {
        CRecordingDialog dialog(*outcome.writer, settings, parent, std::move(makeDevice));
        result = dialog.exec();
        outcome.stopReason = dialog.stopReason();
    }
    // The header covers everything written from now on, whatever happens to
    // the program later, and a failure to write it is reported rather than
    // lost in the writer's destructor. What was recorded is on disk even then.
    try {
        outcome.writer->flushHeader();
    } catch (const sundra::FileError& error) {
        outcome.fileError = error.what();
    }
    if (result != QDialog::Accepted) {
        // Closes the file, which stays on disk with what was recorded.
        outcome.writer.reset();
    }
    return outcome;
}
