// The view's commands that explain or steer the automatic split: Split into
// Tracks, the split page's Detection..., the message of an Auto Split that
// found fewer than two pieces, and the pauses on the strip while the split
// page is on display.

#include "split/detection_report.h"
#include "ui/dialogs/detection_dialog.h"
#include "ui/dialogs/split_all_dialog.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/settings_pages.h"
#include "ui/view/sundra_view.h"
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

void CSundraView::OnSplitIntoTracks() {
    const std::optional<int> count =
        askTrackCount_ ? askTrackCount_(this) : askTrackCount(this, lastTrackCount_);
    if (!count || *count < sundra::kFewestTracks || *count > sundra::kMostTracks)
        return;
    lastTrackCount_ = *count;
    // As Auto Split: the dialog is modal and the worker idle, so nothing else
    // uses the source or the list meanwhile.
    CSplitAllDialog dialog(playback_.range(), splitPage_->splitSettings(), this);
    dialog.setTrackCount(*count);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int pauses = dialog.trackOutcome().pausesFound;
    if (pauses < *count - 1) {
        showMessage(this, QStringLiteral("found only %1 pauses").arg(pauses));
        return;
    }
    cuts_.applyPieces(cuts_.selectedTrack(), dialog.pieces(), QStringLiteral("Split into Tracks"));
}

std::optional<int> CSundraView::OnDetection(const sundra::SplitSettings& settings,
                                            QWidget* parent) {
    if (cuts_.selectedTrack() == -1 || !worker_.wait(0)) {
        showMessage(parent,
                    QStringLiteral("Select a track and stop playing to see its detection."));
        return std::nullopt;
    }
    // The scan reads the selected row; the position it had is given back.
    sundra::SampleReaderWriter& row = playback_.range();
    const std::int32_t position = row.tell();
    const std::optional<int> chosen = showDetection(row, settings, parent);
    row.seek(position);
    return chosen;
}

void CSundraView::ReportFewPieces(const CSplitAllDialog& dialog) {
    if (const auto& report = dialog.fewPiecesReport()) {
        const std::string text = sundra::fewPiecesMessage(*report);
        if (!text.empty())
            showMessage(this, QString::fromStdString(text));
    }
}

void CSundraView::ShowPausePreview(const std::optional<sundra::SplitSettings>& settings) {
    // The settings sheet is modal: the row and the file stay as they are while
    // the page is on display. Without a waveform there is nothing to draw on.
    const int selected = cuts_.selectedTrack();
    const sundra::TrackSegment* row = selected == -1 ? nullptr : cuts_.trackAt(selected);
    if (!settings || row == nullptr || document_.pathName().empty() ||
        strip_->summary() == nullptr) {
        pausePreview_->hide();
        return;
    }
    pausePreview_->show(document_.pathName(), row->absoluteStart(), row->absoluteEnd(), *settings);
}
