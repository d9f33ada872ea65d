#include "ui/waveform/waveform_strip.h"

#include "core/file.h"
#include "core/peak_scanner.h"
#include "core/playback_context.h"
#include "ui/document/cuts_model.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kTimerMs = 100;
// How near (pixels) a press must come to a cut to grab it.
constexpr double kGrabPixels = 5.0;
constexpr double kHandlePixels = 7.0;

QColor mix(const QColor& from, const QColor& to, double amount) {
    return QColor::fromRgbF(
        static_cast<float>(from.redF() + (to.redF() - from.redF()) * amount),
        static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * amount),
        static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * amount));
}

} // namespace

WaveformStrip::WaveformStrip(CutsModel& cuts, sundra::PlaybackContext& playback,
                             PlayingQuery playing, QWidget* parent)
    : QWidget(parent), cuts_(cuts), playback_(playback), playing_(std::move(playing)) {
    setObjectName(QStringLiteral("waveformStrip"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumHeight(100);
    setAttribute(Qt::WA_OpaquePaintEvent);

    QAbstractItemModel* rows = &cuts_;
    connect(rows, &QAbstractItemModel::modelReset, this, [this] { update(); });
    connect(rows, &QAbstractItemModel::layoutChanged, this, [this] { update(); });
    connect(rows, &QAbstractItemModel::dataChanged, this, [this] { update(); });
    connect(rows, &QAbstractItemModel::rowsInserted, this, [this] { update(); });
    connect(rows, &QAbstractItemModel::rowsRemoved, this, [this] { update(); });

    timer_ = new QTimer(this);
    timer_->setInterval(kTimerMs);
    connect(timer_, &QTimer::timeout, this, &WaveformStrip::onTimer);
    timer_->start();
}

WaveformStrip::~WaveformStrip() {
    stopBuild();
}

void WaveformStrip::stopBuild() {
    if (buildThread_ && buildThread_->requestStop()) {
        buildThread_->wait(sundra::kInfinite);
    }
    buildThread_.reset();
}

void WaveformStrip::setSource(const std::string& path, std::int32_t frames) {
    std::unique_ptr<sundra::WaveFileReader> build;
    std::unique_ptr<sundra::WaveFileReader> samples;
    if (!path.empty()) {
        try {
            build = WaveformColumns::openReader(path);
            samples = WaveformColumns::openReader(path);
        } catch (const sundra::FileError&) {
            // The document has the file open, so this is rare (the file went
            // away meanwhile); the strip then stays empty.
            build.reset();
        }
    }
    setSource(std::move(build), std::move(samples), frames);
}

void WaveformStrip::setSource(std::unique_ptr<sundra::SampleReader> build,
                              std::unique_ptr<sundra::SampleReader> samples, std::int32_t frames) {
    stopBuild();
    task_.reset();
    summary_.reset();
    columns_.dropSource();
    totalFrames_ = std::max(frames, 0);
    gapOverlay_.reset(); // the gaps were those of the file before
    if (build && sundra::canScanPeaks(build->format())) {
        columns_.setSource(build->format(), std::move(samples));
        task_ = std::make_unique<sundra::WaveformTask>(std::move(build));
        summary_ = task_->summary();
        buildThread_ = std::make_unique<sundra::WorkerThread>();
        buildThread_->start(*task_);
    }
    shownReady_ = -1;
    showWholeFile();
}

double WaveformStrip::maxFramesPerPixel() const {
    return std::max(1.0, static_cast<double>(totalFrames_) / std::max(1, width()));
}

void WaveformStrip::showWholeFile() {
    framesPerPixel_ = maxFramesPerPixel();
    firstFrame_ = 0;
    showingWhole_ = true;
    update();
}

void WaveformStrip::clampWindow() {
    framesPerPixel_ = std::clamp(framesPerPixel_, 1.0, maxFramesPerPixel());
    const auto visible = static_cast<std::int64_t>(std::llround(width() * framesPerPixel_));
    firstFrame_ =
        std::clamp<std::int64_t>(firstFrame_, 0, std::max<std::int64_t>(0, totalFrames_ - visible));
    update();
}

void WaveformStrip::zoomAt(double factor, double x) {
    const double anchor = static_cast<double>(firstFrame_) + x * framesPerPixel_;
    framesPerPixel_ = std::clamp(framesPerPixel_ / factor, 1.0, maxFramesPerPixel());
    firstFrame_ = std::llround(anchor - x * framesPerPixel_);
    showingWhole_ = framesPerPixel_ >= maxFramesPerPixel();
    clampWindow();
}

void WaveformStrip::scrollByPixels(double pixels) {
    firstFrame_ += std::llround(pixels * framesPerPixel_);
    clampWindow();
}

double WaveformStrip::xOfFrame(std::int64_t frame) const {
    return static_cast<double>(frame - firstFrame_) / framesPerPixel_;
}

std::int64_t WaveformStrip::frameAtX(double x) const {
    return std::clamp<std::int64_t>(firstFrame_ + std::llround(x * framesPerPixel_), 0,
                                    totalFrames_);
}

void WaveformStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (showingWhole_) {
        showWholeFile();
    } else {
        clampWindow();
    }
}

void WaveformStrip::onTimer() {
    // Only reads: the build's progress is lock-free, the play position is read
    // tear-free, so a tick never waits for the worker.
    const std::int64_t ready =
        summary_ ? summary_->readyFrames() + (summary_->complete() ? 1 : 0) : 0;
    const int selected = cuts_.selectedTrack();
    const std::int32_t mark = cuts_.markPosition();
    if (ready != shownReady_ || selected != shownSelected_ || mark != shownMark_ || playing_()) {
        shownReady_ = ready;
        shownSelected_ = selected;
        shownMark_ = mark;
        update();
    }
}

std::vector<WaveformStrip::EdgeLine> WaveformStrip::edgeLines() {
    const sundra::TrackList& rows = cuts_.rows();
    std::vector<EdgeLine> lines;
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

std::optional<sundra::TrackEdge> WaveformStrip::edgeAt(double x) {
    std::optional<sundra::TrackEdge> best;
    double bestDistance = 0;
    bool bestSide = false;
    for (const EdgeLine& line : edgeLines()) {
        const double lineX = xOfFrame(line.frame);
        const double distance = std::abs(x - lineX);
        if (distance > kGrabPixels) {
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

int WaveformStrip::rowAtFrame(std::int64_t frame) {
    for (int row = 0; row < cuts_.rowCount(); ++row) {
        const sundra::TrackSegment* track = cuts_.trackAt(row);
        if (track != nullptr && track->absoluteStart() <= frame && frame < track->absoluteEnd()) {
            return row;
        }
    }
    return -1;
}

void WaveformStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const QColor base = colours.color(QPalette::Base);
    const QColor text = colours.color(QPalette::Text);
    const QColor highlight = colours.color(QPalette::Highlight);
    const double w = width();
    const double h = height();
    const double dpr = devicePixelRatioF();
    painter.fillRect(rect(), base);

    // Track regions.
    const CutsModel& cuts = cuts_;
    const int selected = cuts_.selectedTrack();
    const QColor tints[2] = {mix(base, highlight, 0.10), mix(base, text, 0.07)};
    const QColor selectedTint = mix(base, highlight, 0.38);
    for (int row = 0; row < cuts.rowCount(); ++row) {
        const sundra::TrackSegment* track = cuts.trackAt(row);
        if (track == nullptr || track->length() == 0) {
            continue;
        }
        const double x0 = std::max(xOfFrame(track->absoluteStart()), -1.0);
        const double x1 = std::min(xOfFrame(track->absoluteEnd()), w + 1);
        if (x1 <= 0 || x0 >= w) {
            continue;
        }
        painter.fillRect(QRectF(x0, 0, std::max(x1 - x0, 1 / dpr), h),
                         row == selected ? selectedTint : tints[row % 2]);
    }

    // The waveform, one vertical line per device pixel, each channel in a lane.
    const int deviceColumns = static_cast<int>(std::ceil(w * dpr));
    const double framesPerColumn = framesPerPixel_ / dpr;
    const bool drawn =
        columns_.compute(summary_.get(), firstFrame_, totalFrames_, deviceColumns, framesPerColumn);
    const int lanes = std::max(1, columns_.lanes());
    const double laneHeight = h / lanes;
    painter.setPen(QPen(mix(base, text, 0.25), 0));
    for (int lane = 1; lane < lanes; ++lane) {
        painter.drawLine(QLineF(0, lane * laneHeight, w, lane * laneHeight));
    }
    const QColor wave = mix(base, text, 0.78);
    QVector<QLineF> lines;
    lines.reserve(deviceColumns);
    for (int lane = 0; lane < columns_.lanes(); ++lane) {
        const double centre = (lane + 0.5) * laneHeight;
        const double scale = (laneHeight / 2 - 1) / 32768.0;
        lines.clear();
        for (int c = 0; c < deviceColumns; ++c) {
            const WaveformColumns::Column& column = columns_.at(lane, c);
            if (column.empty()) {
                continue;
            }
            const double x = (c + 0.5) / dpr;
            const double top = centre - column.max * scale;
            const double bottom = std::max(centre - column.min * scale, top + 1 / dpr);
            lines.append(QLineF(x, top, x, bottom));
        }
        painter.setPen(QPen(mix(base, text, 0.3), 0));
        painter.drawLine(QLineF(0, centre, w, centre));
        painter.setPen(QPen(wave, 0));
        painter.drawLines(lines);
    }
    if (summary_ && !summary_->complete()) {
        painter.setPen(mix(base, text, 0.65));
        painter.drawText(
            rect().adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::AlignTop,
            tr("Reading the waveform: %1%").arg(static_cast<int>(summary_->progress() * 100)));
    } else if (!drawn && totalFrames_ > 0 && !summary_) {
        painter.setPen(mix(base, text, 0.65));
        painter.drawText(rect(), Qt::AlignCenter, tr("No waveform for this file"));
    }

    if (pauseOverlay_) {
        paintPauseOverlay(painter);
    }
    if (gapOverlay_) {
        // Its caption goes below the pauses' one.
        const double captionTop = pauseOverlay_ ? fontMetrics().height() + 12 : 4;
        paintGapOverlay(
            painter, *gapOverlay_, [this](std::int64_t frame) { return xOfFrame(frame); },
            QRectF(rect()), captionTop, palette());
    }

    // Cuts: a line with a handle at the top and the bottom. A shared cut's
    // handles point both ways; a lone edge's point into its own track.
    const QColor cut = mix(base, text, 0.6);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const EdgeLine& line : edgeLines()) {
        const double x = std::round(xOfFrame(line.frame) * dpr) / dpr;
        if (x < -kHandlePixels || x > w + kHandlePixels) {
            continue;
        }
        painter.setPen(QPen(cut, 0));
        painter.drawLine(QLineF(x, 0, x, h));
        const double k = kHandlePixels;
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
        painter.fillPath(handles, cut);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);

    // The mark, and the play position while playing.
    if (const sundra::TrackSegment* track = selected >= 0 ? cuts.trackAt(selected) : nullptr) {
        const std::int32_t mark = cuts_.markPosition();
        if (mark != 0) {
            const double x = xOfFrame(std::int64_t{track->absoluteStart()} + mark);
            painter.setPen(QPen(highlight, 2));
            painter.drawLine(QLineF(x, 0, x, h));
        }
    }
    if (playing_()) {
        const sundra::TrackSegment& range = playback_.range();
        const double x = xOfFrame(std::int64_t{range.absoluteStart()} + range.tell());
        painter.setPen(QPen(colours.color(QPalette::Link), 2));
        painter.drawLine(QLineF(x, 0, x, h));
    }
    if (dragging_) {
        const double x = xOfFrame(dragTo_);
        painter.setPen(QPen(highlight, 2, Qt::DashLine));
        painter.drawLine(QLineF(x, 0, x, h));
    }
    if (hasFocus()) {
        painter.setPen(QPen(mix(base, highlight, 0.8), 0, Qt::DotLine));
        painter.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    }
}

void WaveformStrip::setPauseOverlay(std::optional<PauseOverlay> overlay) {
    pauseOverlay_ = std::move(overlay);
    update();
}

void WaveformStrip::setGapOverlay(std::optional<GapOverlay> overlay) {
    gapOverlay_ = std::move(overlay);
    update();
}

void WaveformStrip::paintPauseOverlay(QPainter& painter) {
    const double w = width();
    const double h = height();
    const double dpr = devicePixelRatioF();
    // Spans narrower than a pixel still show, as a line one device pixel wide.
    auto fillSpans = [&](const std::vector<sundra::FrameSpan>& spans, double top, double height,
                         const QColor& colour) {
        for (const sundra::FrameSpan& span : spans) {
            const double x0 = std::max(xOfFrame(span.start), -1.0);
            const double x1 = std::min(xOfFrame(span.end), w + 1);
            if (x1 > 0 && x0 < w) {
                painter.fillRect(QRectF(x0, top, std::max(x1 - x0, 1 / dpr), height), colour);
            }
        }
    };
    const PauseOverlay& overlay = *pauseOverlay_;
    fillSpans(overlay.pauses, 0, h, QColor(240, 128, 16, 80));
    const double band = std::min(6.0, h / 8);
    fillSpans(overlay.pieces, h - band, band, QColor(32, 150, 64, 170));

    const QString caption = tr("Sense level %1: %2 pauses, Auto Split cuts %3 pieces")
                                .arg(static_cast<int>(std::lround(overlay.senseLevel * 1000)))
                                .arg(static_cast<qsizetype>(overlay.pauses.size()))
                                .arg(static_cast<qsizetype>(overlay.pieces.size()));
    const QFontMetricsF metrics(font());
    const QRectF box(w - metrics.horizontalAdvance(caption) - 14, 4,
                     metrics.horizontalAdvance(caption) + 8, metrics.height() + 4);
    QColor back = palette().color(QPalette::Base);
    back.setAlpha(200);
    painter.fillRect(box, back);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(box, Qt::AlignCenter, caption);
}

void WaveformStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const double x = event->position().x();
    if (const auto edge = edgeAt(x)) {
        dragEdge_ = edge;
        dragFrom_ = sundra::edgeFrame(cuts_.rows(), *edge);
        dragTo_ = dragFrom_;
        pressX_ = x;
        dragging_ = true;
        update();
        return;
    }
    const std::int64_t frame = frameAtX(x);
    const int row = rowAtFrame(frame);
    if (row >= 0) {
        emit trackClicked(row,
                          static_cast<std::int32_t>(frame - cuts_.trackAt(row)->absoluteStart()));
    }
}

void WaveformStrip::mouseMoveEvent(QMouseEvent* event) {
    const double x = event->position().x();
    if (dragging_) {
        dragTo_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            dragFrom_ + std::llround((x - pressX_) * framesPerPixel_), 0, totalFrames_));
        update();
        return;
    }
    setCursor(edgeAt(x) ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void WaveformStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    const sundra::TrackEdge edge = *dragEdge_;
    dragEdge_.reset();
    update();
    if (dragTo_ != dragFrom_) {
        cuts_.moveCut(edge, dragTo_);
    }
}

void WaveformStrip::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const bool horizontal = delta.y() == 0 && delta.x() != 0;
    const int steps = horizontal ? delta.x() : delta.y();
    if (steps == 0) {
        event->ignore();
        return;
    }
    if (horizontal || (event->modifiers() & Qt::ShiftModifier)) {
        scrollByPixels(-steps / 120.0 * width() / 8.0);
    } else {
        zoomAt(std::pow(2.0, steps / 240.0), event->position().x());
    }
    event->accept();
}

void WaveformStrip::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        scrollByPixels(-width() / 8.0);
        break;
    case Qt::Key_Right:
        scrollByPixels(width() / 8.0);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomAt(2.0, width() / 2.0);
        break;
    case Qt::Key_Minus:
        zoomAt(0.5, width() / 2.0);
        break;
    case Qt::Key_Home:
        firstFrame_ = 0;
        clampWindow();
        break;
    case Qt::Key_End:
        firstFrame_ = totalFrames_;
        clampWindow();
        break;
    case Qt::Key_0:
        showWholeFile();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
