#pragma once
// CFindTracksDialog: the progress dialog of Find Tracks and Split into Tracks.
// Its worker reads the track once for its gaps and cuts it as the request
// asks (automatically, by a count or by a track list's times); the bar follows
// the source's position and "ｷｬﾝｾﾙ" stops the worker after the block it reads,
// as for Auto Split.
//
// The dialog owns the pieces it cut (windows onto source) and what it found,
// which a caller may choose from again without reading the track anew. After
// Cancel both are gone. The source must not be used by anything else while
// the dialog runs.

#include "split/track_finder.h"
#include "ui/dialogs/scan_progress_dialog.h"

#include <optional>

class CFindTracksDialog : public ScanProgressDialog {
    Q_OBJECT
public:
    CFindTracksDialog(sundra::SampleReaderWriter& source, sundra::TrackRequest request,
                      QWidget* parent);
    ~CFindTracksDialog() override;

    // Valid once exec has returned Accepted: the tracks of the request (none
    // when it could not be met) and the detection they were chosen from.
    sundra::PieceList& pieces() { return pieces_; }
    const std::optional<sundra::FoundTracks>& found() const { return found_; }

    void done(int result) override;
    int run(sundra::Event& stopEvent) override;

private:
    sundra::SampleReaderWriter& source_;
    sundra::TrackRequest request_;
    sundra::PieceList pieces_;
    std::optional<sundra::FoundTracks> found_;
};
