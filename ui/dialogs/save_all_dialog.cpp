#include "ui/dialogs/save_all_dialog.h"

#include "core/units.h"
#include "ui/platform/dialog_font.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CSaveAllDialog::CSaveAllDialog(const std::string& documentPath, QWidget* parent)
    : WorkerDialog(parent), documentPath_(documentPath) {
    setWindowTitle(QStringLiteral("Save All Dialog"));
    setMinimumSize(dialogUnitsToPixels(font(), 187, 81));

    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("currentName"));
    name_->setMinimumHeight(dialogUnitsToPixels(font(), 0, 21).height());
    name_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    format_ = new QLabel(this);
    format_->setObjectName(QStringLiteral("format"));
    format_->setVisible(false);

    layOutProgressForm({name_, format_}, progress_, cancel_);
}

CSaveAllDialog::~CSaveAllDialog() {
    // The worker writes from work_ and the jobs: it must be gone before they are.
    stopAndJoin();
}

void CSaveAllDialog::addJob(const std::string& name, sundra::TrackSegment* track) {
    jobs_.push_back(sundra::SaveJob{name, track});
}

void CSaveAllDialog::setExport(const sundra::ExportSettings& settings,
                               std::vector<sundra::TrackTags> tags) {
    exportSettings_ = settings;
    tags_ = std::move(tags);
    if (settings.format == sundra::ExportFormat::Wav)
        return;
    QString text = QString::fromLatin1(sundra::exportFormatLabel(settings.format));
    if (settings.format == sundra::ExportFormat::Flac && !jobs_.empty()) {
        const sundra::WaveFormat& source = jobs_.front().track->format();
        if (sundra::flacBitsFor(source) != source.bitsPerSample || sundra::isFloat(source))
            text += QStringLiteral(", written at 24 bits from %1-bit %2 samples")
                        .arg(source.bitsPerSample)
                        .arg(sundra::isFloat(source) ? QStringLiteral("floating-point")
                                                     : QStringLiteral("integer"));
    }
    format_->setText(text);
    format_->setVisible(true);
}

bool CSaveAllDialog::begin() {
    // On the window thread, before the worker exists: the timer and the name
    // message read work_ from here on.
    work_ = std::make_unique<sundra::SaveAllWork>(documentPath_, jobs_);
    if (!outputFolder_.empty())
        work_->setOutputFolder(outputFolder_);
    work_->setExportSettings(exportSettings_);
    work_->setTags(tags_);
    commands_ = commandNotifier();
    nameShown_ = messageNotifier(kNameMessage);
    return true;
}

int CSaveAllDialog::run(sundra::Event& stopEvent) {
    return work_->run(stopEvent, *commands_, *nameShown_);
}

void CSaveAllDialog::onTimer() {
    if (!work_)
        return;
    if (const sundra::TrackSegment* source = work_->currentSource())
        progress_->setValue(static_cast<int>(sundra::positionRatio(*source) * 100.0));
}

void CSaveAllDialog::onMessage(std::uint32_t message, std::uint32_t, std::int64_t) {
    if (message == kNameMessage && work_)
        name_->setText(QString::fromStdString(work_->currentName()));
}

void CSaveAllDialog::stopWorker() {
    worker().requestStop();
}
