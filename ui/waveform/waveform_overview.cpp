#include "ui/waveform/waveform_overview.h"

#include "core/waveform_summary.h"
#include "ui/document/cuts_model.h"
#include "ui/waveform/waveform_strip.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

WaveformOverview::WaveformOverview(WaveformStrip& strip, CutsModel& cuts, QWidget* parent)
    : QWidget(parent), strip_(strip), cuts_(cuts) {
    setObjectName(QStringLiteral("waveformOverview"));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    connect(&strip_, &WaveformStrip::viewChanged, this, [this] { update(); });
    connect(&strip_, &WaveformStrip::summaryGrew, this, [this] { update(); });
    // The tracks, the selection and the mark show here too; the strip's
    // repaints follow the same changes, so repaint with them.
    QAbstractItemModel* rows = &cuts_;
    connect(rows, &QAbstractItemModel::modelReset, this, [this] { update(); });
    connect(rows, &QAbstractItemModel::dataChanged, this, [this] { update(); });
    connect(rows, &QAbstractItemModel::rowsInserted, this, [this] { update(); });
    connect(rows, &QAbstractItemModel::rowsRemoved, this, [this] { update(); });
    connect(&cuts_, &CutsModel::selectionChanged, this, [this] { update(); });
    connect(&cuts_, &CutsModel::markChanged, this, [this] { update(); });
}

double WaveformOverview::framesPerPixel() const {
    return std::max(1.0, static_cast<double>(strip_.totalFrames()) / std::max(1, width()));
}

double WaveformOverview::xOfFrame(std::int64_t frame) const {
    return static_cast<double>(frame) / framesPerPixel();
}

std::int64_t WaveformOverview::frameAtX(double x) const {
    return std::clamp<std::int64_t>(std::llround(x * framesPerPixel()), 0, strip_.totalFrames());
}

QRectF WaveformOverview::spanRect() const {
    const double x0 = xOfFrame(strip_.firstFrame());
    const double x1 = xOfFrame(strip_.firstFrame() + strip_.visibleFrames());
    // Never thinner than a few pixels, so that a close-up still shows.
    const double w = std::max(x1 - x0, 3.0);
    return {std::min(x0, width() - w), 0.5, w, height() - 1.0};
}

void WaveformOverview::scrollStripTo(std::int64_t first) {
    strip_.setView(first, strip_.framesPerPixel());
}

void WaveformOverview::paintTracks(QPainter& painter) {
    const QColor base = palette().color(QPalette::Base);
    const QColor highlight = palette().color(QPalette::Highlight);
    const QColor tints[2] = {mixColours(base, highlight, 0.10),
                             mixColours(base, palette().color(QPalette::Text), 0.07)};
    const int selected = cuts_.selectedTrack();
    for (int row = 0; row < cuts_.rowCount(); ++row) {
        const sundra::TrackSegment* track = cuts_.trackAt(row);
        if (track == nullptr || track->length() == 0) {
            continue;
        }
        const double x0 = xOfFrame(track->absoluteStart());
        const double x1 = xOfFrame(track->absoluteEnd());
        painter.fillRect(QRectF(x0, 0, std::max(x1 - x0, 1.0), height()),
                         row == selected ? mixColours(base, highlight, 0.38) : tints[row % 2]);
    }
}

void WaveformOverview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor base = palette().color(QPalette::Base);
    const QColor highlight = palette().color(QPalette::Highlight);
    painter.fillRect(rect(), base);
    paintTracks(painter);

    const double dpr = devicePixelRatioF();
    const int deviceColumns = static_cast<int>(std::ceil(width() * dpr));
    const sundra::WaveformSummary* summary = strip_.summary();
    const std::int64_t ready =
        summary ? summary->readyFrames() + (summary->complete() ? 1 : 0) : -1;
    if (ready != columnsReady_ || deviceColumns != columnsWidth_ ||
        strip_.totalFrames() != columnsTotal_) {
        // From the summary alone: the overview has no reader of the samples.
        columns_.compute(summary, 0, strip_.totalFrames(), deviceColumns, framesPerPixel() / dpr);
        // One lane for all channels: at this height two would show little.
        columns_.mergeLanes();
        columnsReady_ = ready;
        columnsWidth_ = deviceColumns;
        columnsTotal_ = strip_.totalFrames();
    }
    lanes_.draw(painter, columns_, QRectF(0, 0, width(), height()), dpr,
                LaneColours::of(palette()));

    // The position of the selected track.
    const int selected = cuts_.selectedTrack();
    if (const sundra::TrackSegment* track = selected >= 0 ? cuts_.trackAt(selected) : nullptr) {
        const double x = xOfFrame(std::int64_t{track->absoluteStart()} + cuts_.markPosition());
        painter.setPen(QPen(highlight, 0));
        painter.drawLine(QLineF(x, 0, x, height()));
    }

    // The strip's span, framed; zoomed in, the rest of the file dimmed.
    const QColor text = palette().color(QPalette::Text);
    if (strip_.totalFrames() > 0) {
        const QRectF span = spanRect();
        if (strip_.visibleFrames() < strip_.totalFrames()) {
            QColor dim = text;
            dim.setAlpha(45);
            painter.fillRect(QRectF(0, 0, span.left(), height()), dim);
            painter.fillRect(QRectF(span.right(), 0, width() - span.right(), height()), dim);
        }
        painter.setPen(QPen(mixColours(highlight, text, 0.45), 2));
        painter.drawRect(span.adjusted(1, 0.5, -1, -0.5));
    }
    painter.setPen(QPen(mixColours(base, text, 0.35), 0));
    painter.drawRect(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

void WaveformOverview::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || strip_.totalFrames() == 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    const double x = event->position().x();
    if (!spanRect().contains(QPointF(x, spanRect().center().y()))) {
        // Centre the view on the place pressed, then drag from there.
        scrollStripTo(frameAtX(x) - strip_.visibleFrames() / 2);
    }
    dragFirst_ = strip_.firstFrame();
    pressX_ = x;
}

void WaveformOverview::mouseMoveEvent(QMouseEvent* event) {
    const double x = event->position().x();
    emit pointerFrameChanged(frameAtX(x));
    if (dragFirst_) {
        scrollStripTo(*dragFirst_ + std::llround((x - pressX_) * framesPerPixel()));
    }
}

void WaveformOverview::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragFirst_.reset();
    }
    QWidget::mouseReleaseEvent(event);
}

void WaveformOverview::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerFrameChanged(-1);
}
