#include "ui/view/cut_list_keeper.h"

#include "core/kept_cut_list.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <optional>

CutListKeeper::CutListKeeper(CSundraDoc& document, QWidget* owner)
    : document_(document), owner_(owner) {}

QString CutListKeeper::folder() const {
    if (!folder_.isEmpty()) {
        return folder_;
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/cut lists");
}

void CutListKeeper::keep() {
    CutsModel& cuts = document_.cuts();
    if (document_.pathName().empty() || !cuts.edited()) {
        return;
    }
    const std::optional<sundra::SourceStamp> stamp = sundra::stampOf(document_.pathName());
    if (!stamp) {
        return;
    }
    const QString where = folder();
    const QString path =
        QDir(where).filePath(QString::fromStdString(sundra::keptListFileName(stamp->path)));
    const sundra::CutList rows = cuts.cuts();
    const sundra::CutSource source = document_.cutSource();
    const sundra::CutList whole = {{source.title, 0, source.frames}};
    if (rows == whole && cuts.album().empty()) {
        // Back to the file as it opens: nothing to offer next time.
        QFile::remove(path);
        return;
    }
    QString error;
    if (!QDir().mkpath(where) ||
        !saveText(path, sundra::keptListText(*stamp, rows, source.samplesPerSecond, cuts.album()),
                  error)) {
        showMessage(owner_, error.isEmpty() ? QStringLiteral("Can't write %1").arg(where) : error);
        return;
    }
    cuts.markSaved();
}

void CutListKeeper::offer() {
    if (document_.pathName().empty()) {
        return;
    }
    const std::optional<sundra::SourceStamp> stamp = sundra::stampOf(document_.pathName());
    if (!stamp) {
        return;
    }
    QFile file(
        QDir(folder()).filePath(QString::fromStdString(sundra::keptListFileName(stamp->path))));
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray bytes = file.readAll();
    const std::optional<sundra::AlbumCutList> kept =
        sundra::readKeptList(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                             *stamp, document_.cutSource());
    if (!kept || kept->rows.empty()) {
        return;
    }
    const QString question =
        QStringLiteral("Restore the %1 tracks from last time?").arg(kept->rows.size());
    if (askYesNo(owner_, question)) {
        document_.cuts().applyCutList(kept->rows, QStringLiteral("Restore"), &kept->album);
    }
}
