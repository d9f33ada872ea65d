#pragma once
// CSplitIntoTracksDialog: what Split into Tracks asks, once the track's gaps
// are known: a number of tracks, or a track list pasted from a sleeve. A list
// with times places the cuts where the tracks best fit them; when it lists
// more than the track holds (a whole album, the track one side), the run of
// lines that fits best is chosen, and the user may choose other lines. The
// titles of the lines name the tracks. What the choice gives is shown as it
// is typed (the tracks, how far the list is off, or why it cannot be met),
// chosen anew from the same gaps without reading the track again; OK is
// offered only for a choice that can be met.

#include "core/sleeve_list.h"
#include "split/track_finder.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class CSplitIntoTracksDialog : public QDialog {
    Q_OBJECT
public:
    // count: the number of tracks offered at first.
    CSplitIntoTracksDialog(sundra::GapDetection detection, int count, QWidget* parent);

    // The tracks as the dialog's fields ask for them now (frames of the
    // track), and the titles of the lines they are (empty without a list).
    const sundra::FoundTracks& found() const { return found_; }
    const std::vector<std::string>& titles() const { return titles_; }
    // Why the fields cannot be met (a line of the list, too few gaps, a list
    // of another recording); empty when they can.
    const QString& problem() const { return problem_; }

    QSpinBox* countBox() const { return count_; }
    QPlainTextEdit* listBox() const { return list_; }
    QComboBox* firstLineBox() const { return firstLine_; }
    QComboBox* lastLineBox() const { return lastLine_; }
    QLabel* statusLabel() const { return status_; }
    QPushButton* okButton() const { return ok_; }

private:
    // The list was edited: read it again and choose its best-fitting lines.
    void readList();
    // Chooses the tracks for the fields and shows what they give.
    void choose();

    sundra::GapDetection detection_;
    sundra::SleeveList sleeve_;
    bool listValid_ = true;
    sundra::FoundTracks found_;
    std::vector<std::string> titles_;
    QString problem_;

    // Children of the dialog.
    QSpinBox* count_;
    QPlainTextEdit* list_;
    QComboBox* firstLine_;
    QComboBox* lastLine_;
    QLabel* status_;
    QPushButton* ok_;
};
