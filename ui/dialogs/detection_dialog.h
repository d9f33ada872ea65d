#pragma once
// The detection of a track, shown beside the split settings: a progress dialog
// that scans the track on its own worker (with the "ｷｬﾝｾﾙ" button of the other
// progress dialogs), then a dialog with the report and a plot of how many
// pieces every sense level gives, from which the suggested level can be taken.

#include "split/detection_report.h"
#include "split/split_settings.h"
#include "ui/dialogs/scan_progress_dialog.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <optional>

// Scans the source for the report; accepted once it is made.
class CDetectionScanDialog : public ScanProgressDialog {
    Q_OBJECT
public:
    CDetectionScanDialog(sundra::SampleReader& source, const sundra::SplitSettings& settings,
                         QWidget* parent);
    ~CDetectionScanDialog() override;

    // Valid once exec has returned Accepted.
    const std::optional<sundra::DetectionReport>& report() const { return report_; }

    int run(sundra::Event& stopEvent) override;

private:
    sundra::SampleReader& source_;
    sundra::SplitSettings settings_;
    std::optional<sundra::DetectionReport> report_;
};

// Bars of the piece count at sense levels 0..100, the current level and the
// suggested one marked.
class LevelPlot : public QWidget {
    Q_OBJECT
public:
    LevelPlot(const sundra::DetectionReport& report, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const sundra::DetectionReport& report_;
};

// The report; "Use Suggested Level" accepts the dialog, Close rejects it.
class CDetectionDialog : public QDialog {
    Q_OBJECT
public:
    CDetectionDialog(sundra::DetectionReport report, QWidget* parent);

    const sundra::DetectionReport& report() const { return report_; }
    QPlainTextEdit* text() const { return text_; }
    QPushButton* useSuggestedButton() const { return useSuggested_; }

private:
    sundra::DetectionReport report_;
    QPointer<QPlainTextEdit> text_;
    QPointer<QPushButton> useSuggested_;
};

// Scans source and shows the report, telling shown of it first. Returns the
// suggested sense-level position when the user chose to use it.
std::optional<int>
showDetection(sundra::SampleReader& source, const sundra::SplitSettings& settings, QWidget* parent,
              const std::function<void(const sundra::DetectionReport&)>& shown = {});
