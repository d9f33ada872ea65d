// CSundraView: undo and redo of the edits, the cue sheets and label files of
// the File menu, and the cut list kept for a file between runs.

#include "ui/view/sundra_view.h"

#include "core/kept_cut_list.h"
#include "core/path_parts.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <mutex>

namespace {

QString fromLocal(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}

std::string toLocal(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Writes text as the whole file, or leaves an older file there as it was.
bool saveText(const QString& path, const std::string& text, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        error = QStringLiteral("Can't write %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

} // namespace

void CSundraView::bindEditHistoryCommands(CommandTable& commands) {
    using namespace command;
    commands.bind(
        kEditUndo, [this] { cuts_.undoStack().undo(); },
        [this] { return cuts_.undoStack().canUndo(); });
    commands.bind(
        kEditRedo, [this] { cuts_.undoStack().redo(); },
        [this] { return cuts_.undoStack().canRedo(); });
    auto hasRows = [this] { return !document_.pathName().empty() && cuts_.rowCount() > 0; };
    commands.bind(
        kExportCueSheet, [this] { OnExportCueSheet(); }, hasRows);
    commands.bind(
        kExportLabels, [this] { OnExportLabels(); }, hasRows);
    commands.bind(
        kImportCutList, [this] { OnImportCutList(); },
        [this] { return !document_.pathName().empty(); });
}

void CSundraView::OnExportCueSheet() {
    exportCutList(true);
}

void CSundraView::OnExportLabels() {
    exportCutList(false);
}

void CSundraView::exportCutList(bool cue) {
    const sundra::CutSource source = document_.cutSource();
    std::string text;
    try {
        text = cue ? sundra::cueSheetText(cuts_.cuts(), source.fileName, source.samplesPerSecond,
                                          cuts_.album())
                   : sundra::labelText(cuts_.cuts(), source.samplesPerSecond);
    } catch (const sundra::CutListError& error) {
        showMessage(this, fromLocal(error.what()));
        return;
    }
    const QFileInfo document(fromLocal(document_.pathName()));
    const QString suggested = document.dir().filePath(
        document.completeBaseName() + (cue ? QStringLiteral(".cue") : QStringLiteral(".txt")));
    const QString path =
        chooseCutListPath_
            ? chooseCutListPath_(true, suggested)
            : QFileDialog::getSaveFileName(this, QString(), suggested,
                                           cue ? QStringLiteral("Cue Sheets (*.cue)")
                                               : QStringLiteral("Label Files (*.txt)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!saveText(path, text, error)) {
        showMessage(this, error);
        return;
    }
    // The cuts are on disk now: closing the document loses nothing.
    cuts_.markSaved();
}

void CSundraView::OnImportCutList() {
    const QFileInfo document(fromLocal(document_.pathName()));
    const QString path =
        chooseCutListPath_
            ? chooseCutListPath_(false, document.dir().path())
            : QFileDialog::getOpenFileName(
                  this, QString(), document.dir().path(),
                  QStringLiteral("Cue Sheets and Labels (*.cue *.txt);;All Files (*)"));
    if (path.isEmpty()) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage(this, QStringLiteral("Can't read %1: %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    const std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    sundra::AlbumCutList list;
    const bool cue = sundra::isCueSheetName(toLocal(path));
    try {
        list = cue ? sundra::readCueSheet(text, document_.cutSource())
                   : sundra::AlbumCutList{sundra::parseLabels(text, document_.cutSource()), {}};
    } catch (const sundra::CutListError& error) {
        showMessage(this,
                    QFileInfo(path).fileName() + QStringLiteral(": ") + fromLocal(error.what()));
        return;
    }
    // A sheet's album information replaces the document's; a sheet without
    // any, or a label file, leaves what was typed.
    cuts_.applyCutList(list.rows, QStringLiteral("Import"),
                       list.album.empty() ? nullptr : &list.album);
}

QString CSundraView::keptListFolder() const {
    if (!keptListFolder_.isEmpty()) {
        return keptListFolder_;
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/cut lists");
}

void CSundraView::KeepCutList() {
    if (document_.pathName().empty() || !cuts_.edited()) {
        return;
    }
    const std::optional<sundra::SourceStamp> stamp = sundra::stampOf(document_.pathName());
    if (!stamp) {
        return;
    }
    const QString folder = keptListFolder();
    const QString path =
        QDir(folder).filePath(QString::fromStdString(sundra::keptListFileName(stamp->path)));
    const sundra::CutList cuts = cuts_.cuts();
    const sundra::CutList whole = {{document_.fileTitle(), 0, playback_.master().length()}};
    if (cuts == whole && cuts_.album().empty()) {
        // Back to the file as it opens: nothing to offer next time.
        QFile::remove(path);
        return;
    }
    QString error;
    if (!QDir().mkpath(folder) ||
        !saveText(path,
                  sundra::keptListText(*stamp, cuts, playback_.master().format().samplesPerSecond,
                                       cuts_.album()),
                  error)) {
        showMessage(this, error.isEmpty() ? QStringLiteral("Can't write %1").arg(folder) : error);
        return;
    }
    cuts_.markSaved();
}

void CSundraView::OfferKeptCutList() {
    if (document_.pathName().empty()) {
        return;
    }
    const std::optional<sundra::SourceStamp> stamp = sundra::stampOf(document_.pathName());
    if (!stamp) {
        return;
    }
    QFile file(QDir(keptListFolder())
                   .filePath(QString::fromStdString(sundra::keptListFileName(stamp->path))));
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
    if (askYesNo(this, question)) {
        cuts_.applyCutList(kept->rows, QStringLiteral("Restore"), &kept->album);
    }
}
