#include "ui/view/position_bar.h"

#include <QEvent>
#include <QWheelEvent>

PositionBar::PositionBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("positionBar"));
    // The range becomes 0..1000 with the view's one-time setup.
    setRange(0, 0);
    setPageStep(100);
    setMinimumHeight(22);
    setContextMenuPolicy(Qt::PreventContextMenu);
    // Reached with Tab, the bar's keys move the mark as its arrows do: Left
    // and Right by the crick rate, Page Up and Page Down by a tenth, Home and
    // End to either end. A scroll bar turns its arrow keys round by default.
    setFocusPolicy(Qt::StrongFocus);
    setInvertedControls(false);
    connect(this, &QAbstractSlider::actionTriggered, this, &PositionBar::onAction);
    // The drop takes the thumb where the user let it go: by then the drag's
    // own handler has already moved the bar to the resulting position.
    connect(this, &QAbstractSlider::sliderPressed, this,
            [this] { thumbAtDrop_ = sliderPosition(); });
    connect(this, &QAbstractSlider::sliderReleased, this,
            [this] { emit scrolled(ThumbPosition, thumbAtDrop_); });
}

void PositionBar::onAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        emit scrolled(LineLeft, 0);
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        emit scrolled(LineRight, 0);
        break;
    case QAbstractSlider::SliderPageStepSub:
        emit scrolled(PageLeft, 0);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        emit scrolled(PageRight, 0);
        break;
    case QAbstractSlider::SliderMove:
        thumbAtDrop_ = sliderPosition();
        emit scrolled(ThumbTrack, thumbAtDrop_);
        break;
    case QAbstractSlider::SliderToMinimum:
        emit scrolled(LeftEnd, 0);
        break;
    case QAbstractSlider::SliderToMaximum:
        emit scrolled(RightEnd, 0);
        break;
    default:
        break;
    }
}

bool PositionBar::event(QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::Wheel) {
        onWheel(*static_cast<QWheelEvent*>(event));
        event->accept();
        return true;
    }
    return QScrollBar::event(event);
}

void PositionBar::onWheel(const QWheelEvent& wheel) {
    const QPoint angle = wheel.angleDelta();
    // A tilt of the wheel, or a turn of it: positive is towards the left.
    pendingDelta_ += angle.x() != 0 ? angle.x() : angle.y();
    // High-resolution wheels send parts of a notch; whole notches step.
    while (pendingDelta_ >= kNotch) {
        pendingDelta_ -= kNotch;
        triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    while (pendingDelta_ <= -kNotch) {
        pendingDelta_ += kNotch;
        triggerAction(QAbstractSlider::SliderSingleStepAdd);
    }
}
