#pragma once
// LevelMeters: the two level meters and the two peak-hold meters of the main
// view, vertical bars 0..1000 that are children of the view's form (peak 0,
// level 0, level 1, peak 1 from left to right). The levels show the last block
// played; the peaks only rise until they are reset.

#include <QProgressBar>

class LevelMeters {
public:
    // Makes the four bars as children of form (which owns them).
    explicit LevelMeters(QWidget* form);

    QProgressBar& level(int channel) { return *levels_[channel]; }
    QProgressBar& peak(int channel) { return *peaks_[channel]; }

    // The levels (0..1) of channels 0 and 1; a peak meter rises to its level.
    void show(double left, double right);
    void resetLevels();
    void resetPeaks();
    // Whether a peak meter shows anything, for the peak-reset command.
    bool peaksShown() const;

private:
    QProgressBar* levels_[2];
    QProgressBar* peaks_[2];
};
