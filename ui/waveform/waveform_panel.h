#pragma once
// WaveformPanel: the waveform as the main view shows it. From the top: the
// overview of the whole file with the span in view, the time ruler, the
// zoomable strip, and a scrollbar that scrolls the strip while it is zoomed
// in. The panel owns and lays them out and keeps the scrollbar with the
// strip's view; the ruler and the overview follow the strip themselves. The
// time under the pointer over any of them comes out as one signal.

#include "ui/waveform/waveform_strip.h"

#include <QWidget>

class CutsModel;
class QScrollBar;
class TimeRuler;
class WaveformOverview;

class WaveformPanel : public QWidget {
    Q_OBJECT
public:
    WaveformPanel(CutsModel& cuts, sundra::PlaybackContext& playback,
                  WaveformStrip::PlayingQuery playing, QWidget* parent = nullptr);

    WaveformStrip& strip() { return *strip_; }
    TimeRuler& ruler() { return *ruler_; }
    WaveformOverview& overview() { return *overview_; }
    QScrollBar& scrollBar() { return *scrollBar_; }

signals:
    // The frame under the pointer over the overview, the ruler or the strip;
    // -1 when it left them.
    void pointerFrameChanged(qint64 frame);

private:
    // The scrollbar shows the strip's view: its value is the first frame in
    // view, its page the frames in view.
    void followStrip();

    WaveformStrip* strip_;
    TimeRuler* ruler_;
    WaveformOverview* overview_;
    QScrollBar* scrollBar_;
};
