#include "ui/waveform/waveform_strip.h"

#include "core/file.h"
#include "core/peak_scanner.h"
#include "core/playback_context.h"
#include "ui/document/cuts_model.h"
#include "ui/waveform/cut_lines.h"
#include "ui/waveform/wave_lanes.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kTimerMs = 100;
// How near (pixels) a press must come to a cut to grab it.
constexpr double kGrabPixels = 5.0;

QColor mix(const QColor& from, const QColor& to, double amount) {
    return mixColours(from, to, amount);
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
    // A drag begun on the rows of the file before must not move a cut of this one.
    dragging_ = false;
    dragEdge_.reset();
    totalFrames_ = std::max(frames, 0);
    sampleRate_ = build ? build->format().samplesPerSecond : 0;
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

std::int64_t WaveformStrip::visibleFrames() const {
    return std::min(totalFrames_,
                    static_cast<std::int64_t>(std::llround(width() * framesPerPixel_)));
}

void WaveformStrip::showWholeFile() {
    framesPerPixel_ = maxFramesPerPixel();
    firstFrame_ = 0;
    showingWhole_ = true;
    update();
    emit viewChanged();
}

void WaveformStrip::clampWindow() {
    framesPerPixel_ = std::clamp(framesPerPixel_, 1.0, maxFramesPerPixel());
    const auto visible = static_cast<std::int64_t>(std::llround(width() * framesPerPixel_));
    firstFrame_ =
        std::clamp<std::int64_t>(firstFrame_, 0, std::max<std::int64_t>(0, totalFrames_ - visible));
    update();
    emit viewChanged();
}

void WaveformStrip::setView(std::int64_t first, double framesPerPixel) {
    firstFrame_ = first;
    framesPerPixel_ = framesPerPixel;
    showingWhole_ = framesPerPixel_ >= maxFramesPerPixel() && first <= 0;
    clampWindow();
}

std::int64_t WaveformStrip::positionFrame() {
    if (cuts_.selectedTrack() < 0) {
        return -1;
    }
    // Read tear-free without the lock, as the timer does.
    const sundra::TrackSegment& range = playback_.range();
    return std::int64_t{range.absoluteStart()} + range.tell();
}

void WaveformStrip::zoomAroundPosition(double factor) {
    const std::int64_t frame = positionFrame();
    const double x = frame < 0 ? width() / 2.0 : xOfFrame(frame);
    if (x >= 0 && x <= width()) {
        zoomAt(factor, x);
        return;
    }
    const double zoomed = std::clamp(framesPerPixel_ / factor, 1.0, maxFramesPerPixel());
    setView(frame - std::llround(width() / 2.0 * zoomed), zoomed);
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
    if (ready != shownReady_) {
        emit summaryGrew();
    }
    // While playing the play line moves; once the play ends it goes.
    const bool playing = playing_();
    if (ready != shownReady_ || selected != shownSelected_ || mark != shownMark_ || playing ||
        playing != shownPlaying_) {
        shownReady_ = ready;
        shownSelected_ = selected;
        shownMark_ = mark;
        shownPlaying_ = playing;
        update();
    }
}

std::optional<sundra::TrackEdge> WaveformStrip::edgeAt(double x) {
    return grabbedEdge(
        cutLines(cuts_.rows()), x, [this](std::int64_t f) { return xOfFrame(f); }, kGrabPixels);
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
    lanes_.draw(painter, columns_, QRectF(0, 0, w, h), dpr, LaneColours::of(colours));
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

    paintCuts(painter);

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

void WaveformStrip::paintCuts(QPainter& painter) {
    drawCutLines(
        painter, cutLines(cuts_.rows()), [this](std::int64_t f) { return xOfFrame(f); }, size(),
        devicePixelRatioF(),
        mix(palette().color(QPalette::Base), palette().color(QPalette::Text), 0.6));
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
        emit pointerFrameChanged(dragTo_);
        return;
    }
    setCursor(edgeAt(x) ? Qt::SizeHorCursor : Qt::ArrowCursor);
    emit pointerFrameChanged(frameAtX(x));
}

void WaveformStrip::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerFrameChanged(-1);
}

void WaveformStrip::mouseDoubleClickEvent(QMouseEvent* event) {
    // The press before it may have grabbed the cut: it was no drag.
    dragging_ = false;
    dragEdge_.reset();
    update();
    const auto edge = event->button() == Qt::LeftButton ? edgeAt(event->position().x())
                                                        : std::optional<sundra::TrackEdge>();
    if (edge) {
        emit cutDoubleClicked(*edge);
        return;
    }
    mousePressEvent(event);
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
        zoomAroundPosition(2.0);
        break;
    case Qt::Key_Minus:
        zoomAroundPosition(0.5);
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
