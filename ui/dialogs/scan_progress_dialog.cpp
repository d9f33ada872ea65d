#include "ui/dialogs/scan_progress_dialog.h"

#include "core/units.h"
#include "ui/platform/dialog_font.h"

ScanProgressDialog::ScanProgressDialog(const sundra::SampleStream& scanned, const QString& title,
                                       QWidget* parent)
    : WorkerDialog(parent), scanned_(scanned) {
    setWindowTitle(title);
    setMinimumSize(dialogUnitsToPixels(font(), 187, 57));
    layOutProgressForm({}, progress_, cancel_);
}

bool ScanProgressDialog::begin() {
    // Built here, on the window thread, before the worker exists.
    commands_ = commandNotifier();
    return true;
}

void ScanProgressDialog::onTimer() {
    progress_->setValue(static_cast<int>(sundra::positionRatio(scanned_) * 100.0));
}
