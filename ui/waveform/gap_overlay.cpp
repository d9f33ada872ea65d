#include "ui/waveform/gap_overlay.h"

#include "split/gap_report.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace {

// Apart from the selection's blue, the pauses' orange and the pieces' green.
const QColor kGaps(190, 30, 130);

GapMark markOf(const sundra::GapCandidate& gap, std::int32_t start) {
    const sundra::FrameSpan span =
        gap.musicStart > gap.musicEnd ? sundra::FrameSpan{gap.musicEnd, gap.musicStart} : gap.dip;
    return {{span.start + start, span.end + start}, gap.cut + start};
}

} // namespace

GapOverlay makeGapOverlay(const sundra::FoundTracks& found, std::int32_t start) {
    GapOverlay overlay;
    const auto& candidates = found.detection.candidates;
    for (std::size_t index : found.chosen)
        overlay.chosen.push_back(markOf(candidates[index], start));
    for (std::size_t index : sundra::nearMisses(found.detection, found.chosen))
        overlay.nearMisses.push_back(markOf(candidates[index], start));
    std::sort(overlay.nearMisses.begin(), overlay.nearMisses.end(),
              [](const GapMark& a, const GapMark& b) { return a.cut < b.cut; });
    return overlay;
}

void paintGapOverlay(QPainter& painter, const GapOverlay& overlay,
                     const std::function<double(std::int64_t)>& xOfFrame, const QRectF& area,
                     double captionTop, const QPalette& palette) {
    const double dpr = painter.device()->devicePixelRatioF();
    auto paintMarks = [&](const std::vector<GapMark>& marks, const QBrush& brush,
                          Qt::PenStyle line) {
        for (const GapMark& mark : marks) {
            const double x0 = std::max(xOfFrame(mark.span.start), area.left() - 1);
            const double x1 = std::min(xOfFrame(mark.span.end), area.right() + 1);
            if (x1 > area.left() && x0 < area.right())
                painter.fillRect(QRectF(x0, area.top(), std::max(x1 - x0, 1 / dpr), area.height()),
                                 brush);
            const double x = xOfFrame(mark.cut);
            painter.setPen(QPen(brush.color(), 0, line));
            painter.drawLine(QLineF(x, area.top(), x, area.bottom()));
        }
    };
    QColor fill = kGaps;
    fill.setAlpha(60);
    paintMarks(overlay.chosen, fill, Qt::SolidLine);
    QColor hatch = kGaps;
    hatch.setAlpha(160);
    paintMarks(overlay.nearMisses, QBrush(hatch, Qt::BDiagPattern), Qt::DashLine);

    const QString caption =
        QCoreApplication::translate("GapOverlay", "Gaps: %1 cut (shaded), %2 near misses (hatched)")
            .arg(static_cast<qsizetype>(overlay.chosen.size()))
            .arg(static_cast<qsizetype>(overlay.nearMisses.size()));
    const QFontMetricsF metrics(painter.font());
    const double width = metrics.horizontalAdvance(caption) + 8;
    const QRectF box(area.right() - width - 6, captionTop, width, metrics.height() + 4);
    QColor back = palette.color(QPalette::Base);
    back.setAlpha(200);
    painter.fillRect(box, back);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(box, Qt::AlignCenter, caption);
}
