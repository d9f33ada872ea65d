#pragma once
// PositionBar: the position bar of the selected track, a horizontal scroll bar
// 0..1000 whose user actions come out as the scroll codes of the position-bar
// handler (the transport's OnHScroll). The value is only ever set from the
// resulting position, never from the thumb.
//
// Its mouse input keeps to those codes: it has no context menu (its "Scroll
// here" would move the bar without moving the mark), and a turn of the wheel
// is a line step left (away from the user) or right, as the arrows are. Its
// keys, once it has the focus, give the same codes.

#include <QScrollBar>

class PositionBar : public QScrollBar {
    Q_OBJECT
public:
    // The scroll codes, as the scroll notifications number them.
    enum ScrollCode {
        LineLeft = 0,
        LineRight = 1,
        PageLeft = 2,
        PageRight = 3,
        ThumbPosition = 4,
        ThumbTrack = 5,
        LeftEnd = 6,
        RightEnd = 7,
    };
    // One wheel notch, in eighths of a degree.
    static constexpr int kNotch = 120;
    static constexpr int kMaximum = 1000;

    explicit PositionBar(QWidget* parent = nullptr);

signals:
    // thumb is the thumb's value for ThumbPosition and ThumbTrack, else 0.
    void scrolled(int code, int thumb);

protected:
    // Takes the context menu and the wheel before the scroll bar's own
    // handling (which does not go through wheelEvent).
    bool event(QEvent* event) override;

private:
    void onAction(int action);
    void onWheel(const QWheelEvent& wheel);

    // Where the thumb was last dragged to, for the drop.
    int thumbAtDrop_ = 0;
    int pendingDelta_ = 0;
};
