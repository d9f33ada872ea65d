#pragma once
// TimeRuler: the time scale above the waveform strip. Major ticks carry the
// time from the start of the file as "h:mm:ss", with tenths, hundredths or
// milliseconds once the view is close enough; minor ticks lie between. It
// follows the strip's view (viewChanged) and reports the time under the
// pointer as the strip does.

#include "core/ruler_ticks.h"

#include <QString>
#include <QWidget>

#include <array>
#include <vector>

class WaveformStrip;

class TimeRuler : public QWidget {
    Q_OBJECT
public:
    explicit TimeRuler(WaveformStrip& strip, QWidget* parent = nullptr);

    struct Label {
        double x; // of its tick, in the strip's pixels
        QString text;
    };
    // The labels of the strip's present view.
    std::vector<Label> labels() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void pointerFrameChanged(qint64 frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Pixels each label needs with 0 to 3 decimals, gap included.
    std::array<double, 4> labelPixels() const;
    // The scale of the strip's view and its ticks (none without a file).
    sundra::RulerScale scale() const;
    std::vector<sundra::RulerTick> ticks(const sundra::RulerScale& scale) const;
    double xOfTick(const sundra::RulerTick& tick) const;

    WaveformStrip& strip_;
};
