#include "ui/waveform/wave_lanes.h"

#include <QLineF>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

QColor mixColours(const QColor& from, const QColor& to, double amount) {
    return QColor::fromRgbF(
        static_cast<float>(from.redF() + (to.redF() - from.redF()) * amount),
        static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * amount),
        static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * amount));
}

LaneColours LaneColours::of(const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    return {mixColours(base, text, 0.42), mixColours(base, text, 0.85), mixColours(base, text, 0.3),
            mixColours(base, text, 0.25)};
}

void WaveLanes::draw(QPainter& painter, const WaveformColumns& columns, const QRectF& area,
                     double dpr, const LaneColours& colours) {
    const int lanes = std::max(1, columns.lanes());
    const double laneHeight = area.height() / lanes;
    for (int lane = 0; lane < lanes; ++lane) {
        const double top = area.top() + lane * laneHeight;
        if (lane > 0) {
            painter.setPen(QPen(colours.divider, 0));
            painter.drawLine(QLineF(area.left(), top, area.right(), top));
        }
        painter.setPen(QPen(colours.centre, 0));
        painter.drawLine(
            QLineF(area.left(), top + laneHeight / 2, area.right(), top + laneHeight / 2));
    }
    const int width = columns.width();
    const int height = static_cast<int>(std::ceil(area.height() * dpr));
    if (columns.lanes() == 0 || width == 0 || height == 0) {
        return;
    }
    if (image_.width() != width || image_.height() != height) {
        image_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    }
    image_.fill(Qt::transparent);
    const QRgb peak = colours.peak.rgba();
    const QRgb rms = colours.rms.rgba();
    const auto stride = static_cast<std::ptrdiff_t>(image_.bytesPerLine() / sizeof(QRgb));
    auto* pixels = reinterpret_cast<QRgb*>(image_.bits());
    const double deviceLane = laneHeight * dpr;
    for (int lane = 0; lane < columns.lanes(); ++lane) {
        const double centre = (lane + 0.5) * deviceLane;
        const double scale = (deviceLane / 2 - dpr) / 32768.0;
        const int laneTop = static_cast<int>(lane * deviceLane);
        const int laneBottom = std::min(height - 1, static_cast<int>((lane + 1) * deviceLane));
        for (int c = 0; c < width; ++c) {
            const WaveformColumns::Column& column = columns.at(lane, c);
            if (column.empty()) {
                continue;
            }
            // Whole device pixels, at least one, within the lane.
            const int top = std::clamp(static_cast<int>(std::floor(centre - column.max * scale)),
                                       laneTop, laneBottom);
            const int bottom = std::clamp(static_cast<int>(std::floor(centre - column.min * scale)),
                                          top, laneBottom);
            // Within the peaks: a lopsided column's RMS may reach past one side.
            const double reach = column.rms * scale;
            const int rmsTop = std::max(top, static_cast<int>(std::lround(centre - reach)));
            const int rmsBottom = std::min(bottom, static_cast<int>(std::lround(centre + reach)));
            QRgb* pixel = pixels + static_cast<std::ptrdiff_t>(top) * stride + c;
            for (int y = top; y <= bottom; ++y, pixel += stride) {
                *pixel = y >= rmsTop && y < rmsBottom ? rms : peak;
            }
        }
    }
    image_.setDevicePixelRatio(dpr);
    painter.drawImage(area.topLeft(), image_);
}
