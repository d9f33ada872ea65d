#include "ui/view/split_commands.h"

#include "split/detection_report.h"
#include "ui/dialogs/detection_dialog.h"
#include "ui/dialogs/split_all_dialog.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/split_all_settings_page.h"
#include "ui/view/transport.h"
#include "ui/waveform/pause_preview.h"
#include "ui/waveform/waveform_strip.h"

#include <QInputDialog>

namespace {

std::optional<int> askTrackCount(QWidget* parent, int last) {
    bool ok = false;
    const int count = QInputDialog::getInt(parent, QStringLiteral("Split into Tracks"),
                                           QStringLiteral("Number of tracks:"), last,
                                           sundra::kFewestTracks, sundra::kMostTracks, 1, &ok);
    if (!ok)
        return std::nullopt;
    return count;
}

} // namespace

SplitCommands::SplitCommands(CSundraDoc& document, Transport& transport,
                             CSplitAllSettingsPage& page, WaveformStrip& strip, QWidget* owner)
    : document_(document), transport_(transport), page_(page), strip_(strip), owner_(owner),
      pausePreview_(std::make_unique<PausePreview>(strip)) {
    page_.setDetectionOpener([this](const sundra::SplitSettings& settings, QWidget* parent) {
        return OnDetection(settings, parent);
    });
    page_.setControlsListener([this](const std::optional<sundra::SplitSettings>& settings) {
        ShowPausePreview(settings);
    });
}

SplitCommands::~SplitCommands() {
    page_.setDetectionOpener({});
    page_.setControlsListener({});
}

void SplitCommands::bindCommands(CommandTable& commands) {
    auto selectedIdle = [this] {
        return document_.cuts().selectedTrack() != -1 && transport_.idle();
    };
    commands.bind(
        command::kAutoSplit, [this] { OnAutoSplit(); }, selectedIdle);
    commands.bind(
        command::kSplitIntoTracks, [this] { OnSplitIntoTracks(); }, selectedIdle);
}

void SplitCommands::OnAutoSplit() {
    // No lock: the dialog is modal and the worker idle, so nothing else uses
    // the source or the list while the split runs.
    CSplitAllDialog dialog(document_.playback().range(), page_.splitSettings(), owner_);
    if (dialog.exec() == QDialog::Accepted) {
        CutsModel& cuts = document_.cuts();
        cuts.applyPieces(cuts.selectedTrack(), dialog.pieces());
        ReportFewPieces(dialog);
    }
}

void SplitCommands::OnSplitIntoTracks() {
    const std::optional<int> count =
        askTrackCount_ ? askTrackCount_(owner_) : askTrackCount(owner_, lastTrackCount_);
    if (!count || *count < sundra::kFewestTracks || *count > sundra::kMostTracks)
        return;
    lastTrackCount_ = *count;
    // As Auto Split: the dialog is modal and the worker idle, so nothing else
    // uses the source or the list meanwhile.
    CSplitAllDialog dialog(document_.playback().range(), page_.splitSettings(), owner_);
    dialog.setTrackCount(*count);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int pauses = dialog.trackOutcome().pausesFound;
    if (pauses < *count - 1) {
        showMessage(owner_, QStringLiteral("found only %1 pauses").arg(pauses));
        return;
    }
    CutsModel& cuts = document_.cuts();
    cuts.applyPieces(cuts.selectedTrack(), dialog.pieces(), QStringLiteral("Split into Tracks"));
}

std::optional<int> SplitCommands::OnDetection(const sundra::SplitSettings& settings,
                                              QWidget* parent) {
    if (document_.cuts().selectedTrack() == -1 || !transport_.idle()) {
        showMessage(parent,
                    QStringLiteral("Select a track and stop playing to see its detection."));
        return std::nullopt;
    }
    // The scan reads the selected row; the position it had is given back.
    sundra::SampleReaderWriter& row = document_.playback().range();
    const std::int32_t position = row.tell();
    const std::optional<int> chosen = showDetection(row, settings, parent);
    row.seek(position);
    return chosen;
}

void SplitCommands::ReportFewPieces(const CSplitAllDialog& dialog) {
    if (const auto& report = dialog.fewPiecesReport()) {
        const std::string text = sundra::fewPiecesMessage(*report);
        if (!text.empty())
            showMessage(owner_, QString::fromStdString(text));
    }
}

void SplitCommands::ShowPausePreview(const std::optional<sundra::SplitSettings>& settings) {
    // The settings sheet is modal: the row and the file stay as they are while
    // the page is on display. Without a waveform there is nothing to draw on.
    CutsModel& cuts = document_.cuts();
    const int selected = cuts.selectedTrack();
    const sundra::TrackSegment* row = selected == -1 ? nullptr : cuts.trackAt(selected);
    if (!settings || row == nullptr || document_.pathName().empty() ||
        strip_.summary() == nullptr) {
        pausePreview_->hide();
        return;
    }
    pausePreview_->show(document_.pathName(), row->absoluteStart(), row->absoluteEnd(), *settings);
}
