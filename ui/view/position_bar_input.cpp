#include "ui/view/position_bar_input.h"

#include <QEvent>
#include <QScrollBar>
#include <QWheelEvent>

void PositionBarInput::install(QScrollBar& bar) {
    bar.setContextMenuPolicy(Qt::PreventContextMenu);
    bar.installEventFilter(new PositionBarInput(bar));
}

PositionBarInput::PositionBarInput(QScrollBar& bar) : QObject(&bar), bar_(bar) {}

bool PositionBarInput::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &bar_) {
        return false;
    }
    if (event->type() == QEvent::ContextMenu) {
        event->accept();
        return true;
    }
    if (event->type() != QEvent::Wheel) {
        return false;
    }
    const auto* wheel = static_cast<QWheelEvent*>(event);
    const QPoint angle = wheel->angleDelta();
    // A tilt of the wheel, or a turn of it: positive is towards the left.
    pendingDelta_ += angle.x() != 0 ? angle.x() : angle.y();
    // High-resolution wheels send parts of a notch; whole notches step.
    while (pendingDelta_ >= kNotch) {
        pendingDelta_ -= kNotch;
        bar_.triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    while (pendingDelta_ <= -kNotch) {
        pendingDelta_ += kNotch;
        bar_.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
    event->accept();
    return true;
}
