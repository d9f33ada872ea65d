#include "ui/view/cut_list_keeper.h"

#include "core/file.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/message_box_reporter.h"

#include <QFile>
#include <QStandardPaths>

CutListKeeper::CutListKeeper(CSundraDoc& document, QWidget* owner)
    : document_(document), owner_(owner), failed_(std::make_shared<std::atomic<bool>>(false)) {
    CutsModel& cuts = document_.cuts();
    connect(&cuts, &CutsModel::startedOver, this, &CutListKeeper::onStartedOver);
    connect(&cuts, &CutsModel::cutsChanged, this, &CutListKeeper::onCutsChanged);
}

CutListKeeper::~CutListKeeper() = default;

QString CutListKeeper::folder() const {
    if (!folder_.isEmpty()) {
        return folder_;
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/cut lists");
}

void CutListKeeper::onStartedOver() {
    // The stamp of the file as it opens: what is kept from now on was cut on
    // this state of it. Writes still pending for the file before go on.
    file_.reset();
    failed_ = std::make_shared<std::atomic<bool>>(false);
    if (!document_.pathName().empty()) {
        file_ = sundra::KeptCutListFile::forSource(QFile::encodeName(folder()).toStdString(),
                                                   document_.pathName());
    }
}

void CutListKeeper::onCutsChanged() {
    CutsModel& cuts = document_.cuts();
    // With no step in the history the cuts are the file as it opened: the list
    // of last time stays to be offered.
    if (!file_ || cuts.undoStack().count() == 0) {
        return;
    }
    const sundra::CutSource source = document_.cutSource();
    sundra::KeptCuts kept{cuts.cuts(), cuts.album(), source.samplesPerSecond, source.frames};
    writes_.post(file_->path(), [file = *file_, kept = std::move(kept), failed = failed_] {
        try {
            file.keep(kept);
        } catch (const sundra::FileError&) {
            if (!failed->exchange(true)) {
                throw;
            }
        }
    });
}

void CutListKeeper::flush() {
    writes_.flush();
}

void CutListKeeper::offer() {
    if (!file_) {
        return;
    }
    // The list of this file may have been written a moment ago, when it closed.
    writes_.flush();
    const std::optional<sundra::AlbumCutList> kept = file_->read(document_.cutSource());
    if (!kept) {
        return;
    }
    const QString question =
        QStringLiteral("Restore the %1 tracks from last time?").arg(kept->rows.size());
    if (askYesNo(owner_, question)) {
        document_.cuts().applyCutList(kept->rows, QStringLiteral("Restore"), &kept->album);
    }
}
