#include "ui/view/cut_list_files.h"

#include "core/cut_list.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace {

QString fromLocal(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}

std::string toLocal(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

CutListFiles::CutListFiles(CSundraDoc& document, QWidget* owner)
    : document_(document), owner_(owner) {}

void CutListFiles::bindCommands(CommandTable& commands) {
    using namespace command;
    auto hasRows = [this] {
        return !document_.pathName().empty() && document_.cuts().rowCount() > 0;
    };
    commands.bind(
        kExportCueSheet, [this] { OnExportCueSheet(); }, hasRows);
    commands.bind(
        kExportLabels, [this] { OnExportLabels(); }, hasRows);
    commands.bind(
        kImportCutList, [this] { OnImportCutList(); },
        [this] { return !document_.pathName().empty(); });
}

void CutListFiles::OnExportCueSheet() {
    exportCutList(true);
}

void CutListFiles::OnExportLabels() {
    exportCutList(false);
}

void CutListFiles::exportCutList(bool cue) {
    CutsModel& cuts = document_.cuts();
    const sundra::CutSource source = document_.cutSource();
    std::string text;
    try {
        text = cue ? sundra::cueSheetText(cuts.cuts(), source.fileName, source.samplesPerSecond,
                                          cuts.album())
                   : sundra::labelText(cuts.cuts(), source.samplesPerSecond);
    } catch (const sundra::CutListError& error) {
        showMessage(owner_, fromLocal(error.what()));
        return;
    }
    const QFileInfo document(fromLocal(document_.pathName()));
    const QString suggested = document.dir().filePath(
        document.completeBaseName() + (cue ? QStringLiteral(".cue") : QStringLiteral(".txt")));
    const QString path =
        choosePath_ ? choosePath_(true, suggested)
                    : QFileDialog::getSaveFileName(owner_, QString(), suggested,
                                                   cue ? QStringLiteral("Cue Sheets (*.cue)")
                                                       : QStringLiteral("Label Files (*.txt)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!saveText(path, text, error)) {
        showMessage(owner_, error);
        return;
    }
    // The cuts are on disk now: closing the document loses nothing.
    cuts.markSaved();
}

void CutListFiles::OnImportCutList() {
    const QFileInfo document(fromLocal(document_.pathName()));
    const QString path =
        choosePath_ ? choosePath_(false, document.dir().path())
                    : QFileDialog::getOpenFileName(
                          owner_, QString(), document.dir().path(),
                          QStringLiteral("Cue Sheets and Labels (*.cue *.txt);;All Files (*)"));
    if (!path.isEmpty()) {
        importFile(path);
    }
}

bool CutListFiles::importFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage(owner_, QStringLiteral("Can't read %1: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    const std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    sundra::AlbumCutList list;
    sundra::CutListWarnings warnings;
    const bool cue = sundra::isCueSheetName(toLocal(path));
    const sundra::CutSource source = document_.cutSource();
    try {
        list = cue ? sundra::readCueSheet(text, source, &warnings)
                   : sundra::AlbumCutList{
                         sundra::parseLabels(text, source, sundra::LabelChecks::Strict, &warnings),
                         {}};
    } catch (const sundra::CutListError& error) {
        showMessage(owner_,
                    QFileInfo(path).fileName() + QStringLiteral(": ") + fromLocal(error.what()));
        return false;
    }
    // A sheet's album information replaces the document's; a sheet without
    // any, or a label file, leaves what was typed.
    document_.cuts().applyCutList(list.rows, QStringLiteral("Import"),
                                  list.album.empty() ? nullptr : &list.album);
    // What the list held that gave no row is said, not silently dropped.
    QStringList skipped;
    for (const std::string& warning : warnings)
        skipped << QFileInfo(path).fileName() + QStringLiteral(": ") + fromLocal(warning);
    if (!skipped.isEmpty())
        showMessage(owner_, skipped.join(QLatin1Char('\n')));
    return true;
}
