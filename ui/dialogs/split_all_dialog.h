#pragma once
// CSplitAllDialog: the "Split All Dialog" that runs the automatic split of one
// track on its own worker and shows how far the scan has read. The worker posts
// OK when every piece has been collected; Cancel (or closing) asks it to stop
// and waits, so exec returns only after the piece being cut is complete.
//
// The dialog owns the pieces it collects (windows onto source); after Cancel
// they are released at once, so only an accepted dialog hands any over. The
// source must not be used by anything else while the dialog runs.

#include "split/auto_split.h"
#include "split/detection_report.h"
#include "split/split_settings.h"
#include "ui/dialogs/scan_progress_dialog.h"

class CSplitAllDialog : public ScanProgressDialog {
    Q_OBJECT
public:
    CSplitAllDialog(sundra::SampleReaderWriter& source, const sundra::SplitSettings& settings,
                    QWidget* parent);
    ~CSplitAllDialog() override;

    // When the split found fewer than two pieces, the detection report
    // that says why (made on the same worker before the dialog ends).
    const std::optional<sundra::DetectionReport>& fewPiecesReport() const { return report_; }

    // Valid once exec has returned Accepted; empty after Cancel.
    sundra::PieceList& pieces() { return pieces_; }

    // After Cancel the pieces found so far are released.
    void done(int result) override;

    int run(sundra::Event& stopEvent) override;

private:
    sundra::SplitSettings settings_;
    sundra::SampleReaderWriter& source_;
    sundra::PieceList pieces_;
    std::optional<sundra::DetectionReport> report_;
};
