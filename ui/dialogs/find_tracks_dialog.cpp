#include "ui/dialogs/find_tracks_dialog.h"

#include "core/units.h"
#include "ui/platform/dialog_font.h"

CFindTracksDialog::CFindTracksDialog(sundra::SampleReaderWriter& source,
                                     sundra::TrackRequest request, QWidget* parent)
    : WorkerDialog(parent), source_(source), request_(std::move(request)) {
    setWindowTitle(QStringLiteral("Find Tracks"));
    setMinimumSize(dialogUnitsToPixels(font(), 187, 57));
    layOutProgressForm({}, progress_, cancel_);
}

CFindTracksDialog::~CFindTracksDialog() {
    // run uses the members below: the worker must be gone before they are.
    stopAndJoin();
}

bool CFindTracksDialog::begin() {
    // Built here, on the window thread, before the worker exists.
    commands_ = commandNotifier();
    return true;
}

int CFindTracksDialog::run(sundra::Event& stopEvent) {
    found_ = sundra::findTrackPieces(source_, request_, stopEvent, pieces_, *commands_);
    return 0;
}

void CFindTracksDialog::onTimer() {
    progress_->setValue(static_cast<int>(sundra::positionRatio(source_) * 100.0));
}

void CFindTracksDialog::done(int result) {
    WorkerDialog::done(result);
    // The worker has been joined by now; what it found before a cancel is
    // released rather than handed over.
    if (this->result() != QDialog::Accepted) {
        pieces_.clear();
        found_.reset();
    }
}
