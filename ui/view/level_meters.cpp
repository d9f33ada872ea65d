#include "ui/view/level_meters.h"

namespace {

constexpr int kMeterMaximum = 1000;

QProgressBar* makeMeter(QWidget* parent, int width, const char* name) {
    auto* meter = new QProgressBar(parent);
    meter->setObjectName(QString::fromLatin1(name));
    meter->setOrientation(Qt::Vertical);
    meter->setTextVisible(false);
    meter->setRange(0, kMeterMaximum);
    meter->setValue(0);
    meter->setFixedWidth(width);
    return meter;
}

// The value of one meter: trunc(level x 1000).
int meterValue(double level) {
    return static_cast<int>(level * kMeterMaximum);
}

} // namespace

LevelMeters::LevelMeters(QWidget* form) {
    peaks_[0] = makeMeter(form, 9, "peakMeter0");
    levels_[0] = makeMeter(form, 24, "levelMeter0");
    levels_[1] = makeMeter(form, 24, "levelMeter1");
    peaks_[1] = makeMeter(form, 9, "peakMeter1");
}

void LevelMeters::show(double left, double right) {
    const double levels[2] = {left, right};
    for (int channel = 0; channel < 2; ++channel) {
        const int level = meterValue(levels[channel]);
        levels_[channel]->setValue(level);
        if (peaks_[channel]->value() < level) {
            peaks_[channel]->setValue(level);
        }
    }
}

void LevelMeters::resetLevels() {
    levels_[0]->setValue(0);
    levels_[1]->setValue(0);
}

void LevelMeters::resetPeaks() {
    peaks_[0]->setValue(0);
    peaks_[1]->setValue(0);
}

bool LevelMeters::peaksShown() const {
    return peaks_[0]->value() > 0 || peaks_[1]->value() > 0;
}
