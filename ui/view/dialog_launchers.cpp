#include "ui/view/dialog_launchers.h"

#include "core/exception.h"
#include "ui/dialogs/recording_dialog.h"
#include "ui/dialogs/save_all_dialog.h"
#include "ui/dialogs/track_info_dialog.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/settings_pages.h"
#include "ui/view/transport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <optional>

#include <mutex>

DialogLaunchers::DialogLaunchers(CSundraDoc& document, Transport& transport,
                                 SettingsPages& settings, QWidget* owner)
    : document_(document), transport_(transport), settings_(settings), owner_(owner) {}

void DialogLaunchers::bindCommands(CommandTable& commands) {
    using namespace command;
    commands.bind(
        kSaveAll, [this] { OnSaveAll(); }, [this] { return saveAllAllowed(); });
    commands.bind(
        kTrackInfo, [this] { OnTrackInfo(); }, [this] { return document_.cuts().rowCount() > 0; });
    commands.bind(kSettings, [this] { OnSettings(); });
    commands.bind(
        kRecord, [this] { OnRecord(); }, [this] { return transport_.idle(); });
}

bool DialogLaunchers::saveAllAllowed() {
    if (!transport_.idle()) {
        return false;
    }
    const CutsModel& cuts = document_.cuts();
    const int rows = cuts.rowCount();
    return rows > 1 || (rows == 1 && cuts.name(0) != document_.fileTitle());
}

void DialogLaunchers::OnSaveAll() {
    CutsModel& cuts = document_.cuts();
    const CExportSettingsPage& page = settings_.exportPage();
    const QString chosen = QString::fromStdString(page.outputFolder());
    std::optional<std::string> folder;
    if (!chosen.isEmpty()) {
        if (!QFileInfo(chosen).isDir()) {
            showMessage(owner_, QStringLiteral("The folder %1 for the tracks is not there. Choose "
                                               "another in the export settings.")
                                    .arg(QDir::toNativeSeparators(chosen)));
            return;
        }
        folder = QFile::encodeName(chosen).toStdString();
    }
    CSaveAllDialog dialog(document_.pathName(), owner_);
    std::vector<std::string> names;
    for (int row = 0; row < cuts.rowCount(); ++row) {
        dialog.addJob(cuts.name(row), cuts.trackAt(row));
        names.push_back(cuts.name(row));
    }
    if (folder) {
        dialog.setOutputFolder(*folder);
    }
    dialog.setExport(page.exportSettings(), exportTags());
    // Before any file is written: files of an earlier export are replaced only
    // when the user says so.
    std::vector<std::string> paths;
    try {
        paths =
            sundra::exportPathPattern(document_.pathName(), folder, page.exportSettings().format)
                .pathsFor(names);
    } catch (const std::exception& error) {
        showMessage(owner_, QString::fromLocal8Bit(error.what()));
        return;
    }
    const std::vector<std::size_t> existing = sundra::existingFiles(paths, document_.pathName());
    if (!existing.empty() &&
        !askYesNo(owner_, replaceQuestion(paths, existing, dialog.folderText()))) {
        return;
    }
    dialog.exec();
    showInformation(owner_, dialog.closingMessage());
}

QString DialogLaunchers::replaceQuestion(const std::vector<std::string>& paths,
                                         const std::vector<std::size_t>& existing,
                                         const QString& folder) {
    constexpr std::size_t kNamesShown = 10;
    QStringList names;
    for (std::size_t i = 0; i < existing.size() && i < kNamesShown; ++i) {
        names << QFileInfo(QFile::decodeName(paths[existing[i]].c_str())).fileName();
    }
    if (existing.size() > kNamesShown) {
        names << QStringLiteral("and %1 more").arg(existing.size() - kNamesShown);
    }
    if (existing.size() == 1) {
        return QStringLiteral("%1 is already in %2.\nReplace it?").arg(names.first(), folder);
    }
    return QStringLiteral("%1 of the %2 files are already in %3:\n%4\nReplace them?")
        .arg(existing.size())
        .arg(paths.size())
        .arg(folder, names.join(QLatin1Char('\n')));
}

std::vector<sundra::TrackTags> DialogLaunchers::exportTags() {
    const CutsModel& cuts = document_.cuts();
    std::vector<sundra::TrackTags> tags;
    for (int row = 0; row < cuts.rowCount(); ++row)
        tags.push_back(sundra::tagsForRow(cuts.album(), row, cuts.name(row)));
    return tags;
}

void DialogLaunchers::OnTrackInfo() {
    CutsModel& cuts = document_.cuts();
    CTrackInfoDialog dialog(cuts.album(), cuts.rowCount(), owner_);
    if (dialog.exec() == QDialog::Accepted)
        cuts.applyTrackInfo(dialog.albumInfo());
}

void DialogLaunchers::OnSettings() {
    settings_.sheet().exec(owner_);
}

void DialogLaunchers::OnRecord() {
    const QString chosen =
        chooseRecordingPath_ ? chooseRecordingPath_(owner_) : chooseRecordingPath(owner_);
    if (chosen.isEmpty()) {
        return;
    }
    const std::string path = QFile::encodeName(chosen).toStdString();
    RecordingOutcome outcome;
    try {
        outcome = recordToFile(path, settings_.recordPage().makeRecordSettings(), owner_);
    } catch (const std::exception& error) {
        // The file could not be created: nothing was recorded.
        showMessage(owner_, QString::fromLocal8Bit(error.what()));
        return;
    }
    if (!outcome.fileError.empty()) {
        showMessage(owner_, QString::fromLocal8Bit(outcome.fileError.c_str()));
    }
    if (outcome.writer) {
        bool adopted = false;
        QString refused;
        {
            std::lock_guard guard(document_.playback());
            try {
                // The cuts start over with one row over the recording.
                document_.adoptRecording(std::move(outcome.writer), path);
                adopted = true;
            } catch (const sundra::Exception& error) {
                refused = QString::fromLocal8Bit(error.what());
            }
        }
        if (adopted) {
            emit recordingAdopted(chosen);
        } else {
            showMessage(owner_, refused);
        }
    }
    if (outcome.stopReason == sundra::CaptureLoop::kStoppedByOverload) {
        showMessage(owner_, QStringLiteral("overload : recording was stopped"));
    }
}
