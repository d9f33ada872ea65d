#include "ui/dialogs/find_tracks_dialog.h"

CFindTracksDialog::CFindTracksDialog(sundra::SampleReaderWriter& source,
                                     sundra::TrackRequest request, QWidget* parent)
    : ScanProgressDialog(source, QStringLiteral("Find Tracks"), parent), source_(source),
      request_(std::move(request)) {}

CFindTracksDialog::~CFindTracksDialog() {
    // run uses the members below: the worker must be gone before they are.
    stopAndJoin();
}

int CFindTracksDialog::run(sundra::Event& stopEvent) {
    found_ = sundra::findTrackPieces(source_, request_, stopEvent, pieces_, commands());
    return 0;
}

void CFindTracksDialog::done(int result) {
    ScanProgressDialog::done(result);
    // The worker has been joined by now; what it found before a cancel is
    // released rather than handed over.
    if (this->result() != QDialog::Accepted) {
        pieces_.clear();
        found_.reset();
    }
}
