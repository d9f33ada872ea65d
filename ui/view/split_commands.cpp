#include "ui/view/split_commands.h"

#include "split/detection_report.h"
#include "ui/dialogs/detection_dialog.h"
#include "ui/dialogs/find_tracks_dialog.h"
#include "ui/dialogs/split_all_dialog.h"
#include "ui/dialogs/split_into_tracks_dialog.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/split_all_settings_page.h"
#include "ui/view/transport.h"
#include "ui/waveform/pause_preview.h"
#include "ui/waveform/waveform_strip.h"

namespace {

// The tracks found in a row that starts at frame start, in frames of the master.
std::vector<sundra::FrameRange> inMaster(const std::vector<sundra::FrameSpan>& tracks,
                                         std::int32_t start) {
    std::vector<sundra::FrameRange> ranges;
    for (const sundra::FrameSpan& track : tracks)
        ranges.push_back({start + track.start, start + track.end});
    return ranges;
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
        command::kFindTracks, [this] { OnFindTracks(); }, selectedIdle);
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

void SplitCommands::OnFindTracks() {
    // As Auto Split: the dialog is modal and the worker idle, so nothing else
    // uses the source or the list meanwhile.
    sundra::TrackSegment& row = document_.playback().range();
    const std::int32_t start = row.absoluteStart();
    CFindTracksDialog dialog(row, {}, owner_);
    if (dialog.exec() != QDialog::Accepted || !dialog.found())
        return;
    strip_.setGapOverlay(makeGapOverlay(*dialog.found(), start));
    if (dialog.pieces().empty()) {
        showMessage(owner_, QStringLiteral("Find Tracks found no music above the noise floor."));
        return;
    }
    CutsModel& cuts = document_.cuts();
    cuts.applyPieces(cuts.selectedTrack(), dialog.pieces(), QStringLiteral("Find Tracks"));
}

void SplitCommands::OnSplitIntoTracks() {
    sundra::TrackSegment& row = document_.playback().range();
    const std::int32_t start = row.absoluteStart();
    std::optional<sundra::FoundTracks> gaps;
    {
        CFindTracksDialog scan(row, {}, owner_);
        scan.setWindowTitle(QStringLiteral("Split into Tracks"));
        if (scan.exec() != QDialog::Accepted || !scan.found())
            return;
        gaps = scan.found();
    }
    // The count the detection finds is the likeliest answer.
    const int found = static_cast<int>(gaps->tracks.size());
    CSplitIntoTracksDialog ask(std::move(gaps->detection),
                               found >= sundra::kFewestTracks ? found : lastTrackCount_, owner_);
    if ((askTracks_ ? askTracks_(ask) : ask.exec()) != QDialog::Accepted)
        return;
    if (!ask.problem().isEmpty()) {
        showMessage(owner_, ask.problem());
        return;
    }
    const sundra::FoundTracks& tracks = ask.found();
    lastTrackCount_ = static_cast<int>(tracks.tracks.size());
    strip_.setGapOverlay(makeGapOverlay(tracks, start));
    CutsModel& cuts = document_.cuts();
    const QString step = QStringLiteral("Split into Tracks");
    if (ask.titles().empty())
        cuts.applyPieces(cuts.selectedTrack(), inMaster(tracks.tracks, start), step);
    else
        cuts.applyTitledPieces(cuts.selectedTrack(), inMaster(tracks.tracks, start), ask.titles(),
                               step);
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
    const std::int32_t start =
        document_.cuts().trackAt(document_.cuts().selectedTrack())->absoluteStart();
    const std::optional<int> chosen =
        showDetection(row, settings, parent, [&](const sundra::DetectionReport& report) {
            if (report.automatic)
                strip_.setGapOverlay(makeGapOverlay(*report.automatic, start));
        });
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
