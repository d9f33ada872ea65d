#pragma once
// How the waveform is drawn wherever it shows (the strip, the overview): one
// lane per channel about its centre line, each device-pixel column a light
// line from its lowest to its highest sample and, inside it, a darker line as
// far as its RMS reaches either way. The peaks show the loudest moments; the
// RMS shows how loud a stretch is, so the quiet gap between two songs of a
// noisy record stands out even where crackle makes its peaks high.
//
// The columns are written as pixels into an image of the lanes' own, which is
// then drawn in one go: a painter's line per column costs far more.

#include "ui/waveform/waveform_columns.h"

#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;
class QPalette;

// from blended towards to by amount (0..1).
QColor mixColours(const QColor& from, const QColor& to, double amount);

struct LaneColours {
    QColor peak;
    QColor rms;
    QColor centre;
    QColor divider;
    // From the palette's base and text colours.
    static LaneColours of(const QPalette& palette);
};

class WaveLanes {
public:
    // Draws the columns (one a device pixel, dpr device pixels a pixel) into
    // area, whose top left lies on a device pixel.
    void draw(QPainter& painter, const WaveformColumns& columns, const QRectF& area, double dpr,
              const LaneColours& colours);

private:
    // Kept from paint to paint, so that a paint allocates nothing.
    QImage image_;
};
