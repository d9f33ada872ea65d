#pragma once
// WaveformOverview: the whole file at a glance above the zoomed waveform, with
// the tracks' regions, the position of the selected track, and the span that
// the strip shows as a frame. A press inside the frame drags it; a press
// outside centres the strip on that place and drags from there. Either way the
// strip scrolls (setView) and the frame follows it (viewChanged).
//
// It draws from the strip's summary, at a column's worth of frames a device
// pixel, and keeps those columns until more of the summary is ready or its
// width changes.

#include "ui/waveform/wave_lanes.h"
#include "ui/waveform/waveform_columns.h"

#include <QWidget>

#include <cstdint>
#include <optional>

class CutsModel;
class WaveformStrip;

class WaveformOverview : public QWidget {
    Q_OBJECT
public:
    WaveformOverview(WaveformStrip& strip, CutsModel& cuts, QWidget* parent = nullptr);

    // Where the strip's view lies, in the overview's pixels.
    QRectF spanRect() const;
    double xOfFrame(std::int64_t frame) const;
    std::int64_t frameAtX(double x) const;

    QSize sizeHint() const override { return {100, 44}; }
    QSize minimumSizeHint() const override { return {40, 30}; }

signals:
    void pointerFrameChanged(qint64 frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    double framesPerPixel() const;
    // Scrolls the strip so that its first frame is first.
    void scrollStripTo(std::int64_t first);
    void paintTracks(QPainter& painter);

    WaveformStrip& strip_;
    CutsModel& cuts_;
    WaveformColumns columns_;
    WaveLanes lanes_;
    // What the columns were computed for.
    std::int64_t columnsReady_ = -1;
    int columnsWidth_ = -1;
    std::int64_t columnsTotal_ = -1;
    // While dragging: the strip's first frame and the x of the press.
    std::optional<std::int64_t> dragFirst_;
    double pressX_ = 0;
};
