#include "ui/waveform/waveform_panel.h"

#include "ui/waveform/time_ruler.h"
#include "ui/waveform/waveform_overview.h"

#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

WaveformPanel::WaveformPanel(CutsModel& cuts, sundra::PlaybackContext& playback,
                             WaveformStrip::PlayingQuery playing, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("waveformPanel"));
    strip_ = new WaveformStrip(cuts, playback, std::move(playing), this);
    ruler_ = new TimeRuler(*strip_, this);
    overview_ = new WaveformOverview(*strip_, cuts, this);
    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setObjectName(QStringLiteral("waveformScrollBar"));
    // Tab passes it by: the strip's own keys scroll.
    scrollBar_->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(overview_);
    layout->addSpacing(4);
    layout->addWidget(ruler_);
    layout->addWidget(strip_, 1);
    layout->addWidget(scrollBar_);

    connect(strip_, &WaveformStrip::viewChanged, this, &WaveformPanel::followStrip);
    connect(scrollBar_, &QScrollBar::valueChanged, this,
            [this](int first) { strip_->setView(first, strip_->framesPerPixel()); });
    connect(strip_, &WaveformStrip::pointerFrameChanged, this, &WaveformPanel::pointerFrameChanged);
    connect(ruler_, &TimeRuler::pointerFrameChanged, this, &WaveformPanel::pointerFrameChanged);
    connect(overview_, &WaveformOverview::pointerFrameChanged, this,
            &WaveformPanel::pointerFrameChanged);
    followStrip();
}

void WaveformPanel::followStrip() {
    // Frames are 32-bit counts, so every first frame fits the scrollbar.
    const auto visible = static_cast<int>(
        std::min<std::int64_t>(strip_->visibleFrames(), std::numeric_limits<int>::max()));
    const auto last = static_cast<int>(std::clamp<std::int64_t>(
        strip_->totalFrames() - strip_->visibleFrames(), 0, std::numeric_limits<int>::max()));
    const QSignalBlocker quiet(scrollBar_);
    scrollBar_->setRange(0, last);
    scrollBar_->setPageStep(std::max(1, visible));
    scrollBar_->setSingleStep(std::max(1, visible / 8));
    scrollBar_->setValue(static_cast<int>(strip_->firstFrame()));
    scrollBar_->setEnabled(last > 0);
}
