#include "ui/waveform/cut_lines.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace {

constexpr double kHandlePixels = 7.0;

} // namespace

std::vector<CutLine> cutLines(const sundra::TrackList& rows) {
    std::vector<CutLine> lines;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const sundra::TrackSegment* track = rows.trackAt(row);
        if (track == nullptr) {
            continue;
        }
        if (!sundra::rowsTouch(rows, row - 1)) {
            lines.push_back({{row, sundra::EdgeSide::Start}, track->start(), false});
        }
        lines.push_back({{row, sundra::EdgeSide::End}, track->end(), sundra::rowsTouch(rows, row)});
    }
    return lines;
}

std::optional<sundra::TrackEdge> grabbedEdge(const std::vector<CutLine>& lines, double x,
                                             const FrameToX& xOf, double grabPixels) {
    std::optional<sundra::TrackEdge> best;
    double bestDistance = 0;
    bool bestSide = false;
    for (const CutLine& line : lines) {
        const double lineX = xOf(line.frame);
        const double distance = std::abs(x - lineX);
        if (distance > grabPixels) {
            continue;
        }
        // Where two handles fall within a pixel of each other, the side of the
        // pointer decides: left of the line the end of the track before, right
        // of it the start of the track after.
        const bool side = line.shared || (line.edge.side == sundra::EdgeSide::End) == (x <= lineX);
        const bool tie = best && std::abs(distance - bestDistance) <= 1.0;
        if (!best || (tie && side && !bestSide) || (!tie && distance < bestDistance)) {
            best = line.edge;
            bestDistance = distance;
            bestSide = side;
        }
    }
    return best;
}

void drawCutLines(QPainter& painter, const std::vector<CutLine>& lines, const FrameToX& xOf,
                  const QSizeF& size, double dpr, const QColor& colour) {
    const double w = size.width();
    const double h = size.height();
    const double k = kHandlePixels;
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const CutLine& line : lines) {
        const double x = std::round(xOf(line.frame) * dpr) / dpr;
        if (x < -k || x > w + k) {
            continue;
        }
        painter.setPen(QPen(colour, 0));
        painter.drawLine(QLineF(x, 0, x, h));
        const bool left = line.shared || line.edge.side == sundra::EdgeSide::End;
        const bool right = line.shared || line.edge.side == sundra::EdgeSide::Start;
        QPainterPath handles;
        for (const double y : {0.0, h}) {
            const double dy = y == 0 ? k : -k;
            if (left) {
                handles.addPolygon(
                    QPolygonF({QPointF(x, y), QPointF(x - k, y), QPointF(x, y + dy)}));
            }
            if (right) {
                handles.addPolygon(
                    QPolygonF({QPointF(x, y), QPointF(x + k, y), QPointF(x, y + dy)}));
            }
        }
        painter.fillPath(handles, colour);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}
