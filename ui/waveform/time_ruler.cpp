#include "ui/waveform/time_ruler.h"

#include "core/ruler_ticks.h"
#include "core/time_text.h"
#include "ui/waveform/wave_lanes.h"
#include "ui/waveform/waveform_strip.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr double kMajorTick = 7.0;
constexpr double kMinorTick = 3.0;
constexpr double kLabelGap = 14.0;

} // namespace

TimeRuler::TimeRuler(WaveformStrip& strip, QWidget* parent) : QWidget(parent), strip_(strip) {
    setObjectName(QStringLiteral("timeRuler"));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&strip_, &WaveformStrip::viewChanged, this, [this] { update(); });
}

QSize TimeRuler::sizeHint() const {
    return {100, fontMetrics().height() + static_cast<int>(kMajorTick) + 4};
}

std::array<double, 4> TimeRuler::labelPixels() const {
    const QFontMetricsF metrics(font());
    std::array<double, 4> pixels{};
    for (int decimals = 0; decimals < 4; ++decimals) {
        pixels[static_cast<std::size_t>(decimals)] =
            metrics.horizontalAdvance(QString::fromStdString(sundra::timeText(0, decimals))) +
            kLabelGap;
    }
    return pixels;
}

sundra::RulerScale TimeRuler::scale() const {
    return sundra::rulerScale(strip_.sampleRate() / strip_.framesPerPixel(), labelPixels());
}

std::vector<sundra::RulerTick> TimeRuler::ticks(const sundra::RulerScale& scale) const {
    const std::int32_t rate = strip_.sampleRate();
    if (rate <= 0 || strip_.totalFrames() == 0) {
        return {};
    }
    const std::int64_t first = strip_.firstFrame();
    const std::int64_t last = std::min(strip_.totalFrames(), first + strip_.visibleFrames());
    return sundra::rulerTicks(scale, sundra::microsOfFrame(first, rate),
                              sundra::microsOfFrame(last, rate));
}

double TimeRuler::xOfTick(const sundra::RulerTick& tick) const {
    const double frame =
        static_cast<double>(tick.micros) * strip_.sampleRate() / sundra::kMicrosPerSecond;
    return (frame - static_cast<double>(strip_.firstFrame())) / strip_.framesPerPixel();
}

std::vector<TimeRuler::Label> TimeRuler::labels() const {
    std::vector<Label> labels;
    const sundra::RulerScale ruler = scale();
    for (const sundra::RulerTick& tick : ticks(ruler)) {
        if (tick.major) {
            labels.push_back({xOfTick(tick), QString::fromStdString(
                                                 sundra::timeText(tick.micros, ruler.decimals))});
        }
    }
    return labels;
}

void TimeRuler::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor base = palette().color(QPalette::Window);
    const QColor text = palette().color(QPalette::WindowText);
    painter.fillRect(rect(), base);
    const double h = height();
    painter.setPen(QPen(mixColours(base, text, 0.4), 0));
    painter.drawLine(QLineF(0, h - 0.5, width(), h - 0.5));
    painter.setPen(QPen(mixColours(base, text, 0.55), 0));
    for (const sundra::RulerTick& tick : ticks(scale())) {
        const double x = std::round(xOfTick(tick)) + 0.5;
        painter.drawLine(QLineF(x, h - (tick.major ? kMajorTick : kMinorTick), x, h));
    }
    painter.setPen(text);
    for (const Label& label : labels()) {
        painter.drawText(QRectF(std::round(label.x) + 3, 0, width(), h - kMajorTick),
                         Qt::AlignLeft | Qt::AlignVCenter, label.text);
    }
}

void TimeRuler::mouseMoveEvent(QMouseEvent* event) {
    emit pointerFrameChanged(strip_.frameAtX(event->position().x()));
}

void TimeRuler::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerFrameChanged(-1);
}
