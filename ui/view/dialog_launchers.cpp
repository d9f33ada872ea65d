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

#include <QFile>

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
    CSaveAllDialog dialog(document_.pathName(), owner_);
    for (int row = 0; row < cuts.rowCount(); ++row) {
        dialog.addJob(cuts.name(row), cuts.trackAt(row));
    }
    dialog.setExport(settings_.exportPage().exportSettings(), exportTags());
    dialog.exec();
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
