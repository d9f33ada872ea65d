// CSundraView: undo and redo of the edits, the cue sheets and label files of
// the File menu, and the cut list kept for a file between runs.

#include "ui/view/sundra_view.h"

#include "core/kept_cut_list.h"
#include "core/path_parts.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/view/track_list_ctrl.h"

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
        kEditUndo, [this] { undo_.undo(); }, [this] { return undo_.canUndo(); });
    commands.bind(
        kEditRedo, [this] { undo_.redo(); }, [this] { return undo_.canRedo(); });
    auto hasRows = [this] { return !document_.pathName().empty() && list_->rowCount() > 0; };
    commands.bind(
        kExportCueSheet, [this] { OnExportCueSheet(); }, hasRows);
    commands.bind(
        kExportLabels, [this] { OnExportLabels(); }, hasRows);
    commands.bind(
        kImportCutList, [this] { OnImportCutList(); },
        [this] { return !document_.pathName().empty(); });
    // A name confirmed in the list is an edit of its own.
    list_->setNameEditor([this](int row, const std::string& name) {
        const EditStep step(*this, QStringLiteral("Rename Track"));
        list_->setName(row, name);
    });
}

ViewSnapshot CSundraView::snapshot() {
    return {list_->rows().cuts(), selectedTrack_, markPosition_, document_.album()};
}

void CSundraView::restoreSnapshot(const ViewSnapshot& state) {
    // Like every edit: under the lock from start to end, ending with a live row
    // (or the empty range) as the current range.
    std::lock_guard guard(playback_);
    document_.setAlbum(state.album);
    list_->assignRows(state.rows, playback_.master());
    SelectTrack(state.selectedTrack < list_->rowCount() ? state.selectedTrack : -1, false);
    if (selectedTrack_ != -1 && state.markPosition != 0) {
        markPosition_ = state.markPosition;
        playback_.range().seek(markPosition_);
        UpdatePositionDisplay(playback_.range());
    }
}

sundra::CutSource CSundraView::cutSource() {
    const sundra::PathParts parts = sundra::splitPath(document_.pathName());
    return {parts.title + parts.extension, parts.title,
            playback_.master().format().samplesPerSecond, playback_.master().length()};
}

void CSundraView::ApplyCutList(const sundra::CutList& cuts, const QString& text,
                               const sundra::AlbumInfo* album) {
    const EditStep step(*this, text);
    std::lock_guard guard(playback_);
    if (album)
        document_.setAlbum(*album);
    list_->assignRows(cuts, playback_.master());
    SelectTrack(list_->rowCount() > 0 ? 0 : -1, false);
}

void CSundraView::OnExportCueSheet() {
    exportCutList(true);
}

void CSundraView::OnExportLabels() {
    exportCutList(false);
}

void CSundraView::exportCutList(bool cue) {
    const sundra::CutSource source = cutSource();
    std::string text;
    try {
        text = cue ? sundra::cueSheetText(list_->rows().cuts(), source.fileName,
                                          source.samplesPerSecond, document_.album())
                   : sundra::labelText(list_->rows().cuts(), source.samplesPerSecond);
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
    undo_.setClean();
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
        list = cue ? sundra::readCueSheet(text, cutSource())
                   : sundra::AlbumCutList{sundra::parseLabels(text, cutSource()), {}};
    } catch (const sundra::CutListError& error) {
        showMessage(this,
                    QFileInfo(path).fileName() + QStringLiteral(": ") + fromLocal(error.what()));
        return;
    }
    // A sheet's album information replaces the document's; a sheet without
    // any, or a label file, leaves what was typed.
    ApplyCutList(list.rows, QStringLiteral("Import"), list.album.empty() ? nullptr : &list.album);
}

QString CSundraView::keptListFolder() const {
    if (!keptListFolder_.isEmpty()) {
        return keptListFolder_;
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/cut lists");
}

void CSundraView::KeepCutList() {
    if (document_.pathName().empty() || !edited()) {
        return;
    }
    const std::optional<sundra::SourceStamp> stamp = sundra::stampOf(document_.pathName());
    if (!stamp) {
        return;
    }
    const QString folder = keptListFolder();
    const QString path =
        QDir(folder).filePath(QString::fromStdString(sundra::keptListFileName(stamp->path)));
    const sundra::CutList cuts = list_->rows().cuts();
    const sundra::CutList whole = {{document_.fileTitle(), 0, playback_.master().length()}};
    if (cuts == whole && document_.album().empty()) {
        // Back to the file as it opens: nothing to offer next time.
        QFile::remove(path);
        return;
    }
    QString error;
    if (!QDir().mkpath(folder) ||
        !saveText(path,
                  sundra::keptListText(*stamp, cuts, playback_.master().format().samplesPerSecond,
                                       document_.album()),
                  error)) {
        showMessage(this, error.isEmpty() ? QStringLiteral("Can't write %1").arg(folder) : error);
        return;
    }
    undo_.setClean();
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
                             *stamp, cutSource());
    if (!kept || kept->rows.empty()) {
        return;
    }
    const QString question =
        QStringLiteral("Restore the %1 tracks from last time?").arg(kept->rows.size());
    if (askYesNo(this, question)) {
        ApplyCutList(kept->rows, QStringLiteral("Restore"), &kept->album);
    }
}
