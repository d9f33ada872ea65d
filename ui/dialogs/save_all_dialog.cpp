#include "ui/dialogs/save_all_dialog.h"

#include "core/units.h"
#include "ui/platform/dialog_font.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CSaveAllDialog::CSaveAllDialog(const std::string& documentPath, QWidget* parent)
    : WorkerDialog(parent), documentPath_(documentPath) {
    setWindowTitle(QStringLiteral("Save All Dialog"));
    setMinimumSize(dialogUnitsToPixels(font(), 187, 81));

    overall_ = new QLabel(this);
    overall_->setObjectName(QStringLiteral("overall"));

    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("currentName"));
    name_->setMinimumHeight(dialogUnitsToPixels(font(), 0, 21).height());
    name_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    format_ = new QLabel(this);
    format_->setObjectName(QStringLiteral("format"));
    format_->setVisible(false);

    layOutProgressForm({overall_, name_, format_}, progress_, cancel_);
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
    if (message != kNameMessage || !work_)
        return;
    overall_->setText(
        QStringLiteral("Track %1 of %2").arg(work_->currentJob() + 1).arg(jobs_.size()));
    name_->setText(QString::fromStdString(work_->currentName()));
}

namespace {

QString tracks(std::size_t count) {
    return count == 1 ? QStringLiteral("1 track") : QStringLiteral("%1 tracks").arg(count);
}

// "the track ... was" or "the 3 tracks ... were", for what was not saved.
QString notSaved(std::size_t count, const QString& which) {
    return count == 1 ? QStringLiteral("the track %1 was not saved").arg(which)
                      : QStringLiteral("the %1 tracks %2 were not saved").arg(count).arg(which);
}

} // namespace

QString CSaveAllDialog::folderText() const {
    QString folder;
    if (!outputFolder_.empty())
        folder = QFileInfo(QString::fromStdString(outputFolder_)).absoluteFilePath();
    else if (!documentPath_.empty())
        folder = QFileInfo(QString::fromStdString(documentPath_)).absolutePath();
    else
        folder = QDir::currentPath();
    return QDir::toNativeSeparators(folder);
}

QString CSaveAllDialog::closingMessage() {
    stopAndJoin();
    const std::size_t written = work_ ? work_->filesWritten() : 0;
    if (written == jobs_.size())
        return QStringLiteral("Saved %1 in %2.").arg(tracks(written), folderText());
    QString text = QStringLiteral("Saved %1 of %2 in %3.")
                       .arg(written)
                       .arg(tracks(jobs_.size()), folderText());
    const int failed = work_ ? work_->failedJob() : -1;
    if (failed >= 0) {
        const auto failedJob = static_cast<std::size_t>(failed);
        text += QStringLiteral("\nThe track %1 could not be written")
                    .arg(QString::fromStdString(jobs_[failedJob].name));
        const std::size_t after = jobs_.size() - failedJob - 1;
        text += after == 0
                    ? QStringLiteral(".")
                    : QStringLiteral("; %1.").arg(notSaved(after, QStringLiteral("after it")));
    } else {
        text += QStringLiteral("\nSave All was cancelled: %1.")
                    .arg(notSaved(jobs_.size() - written, QStringLiteral("left")));
    }
    return text;
}

void CSaveAllDialog::stopWorker() {
    worker().requestStop();
}
