#pragma once
// PositionBarInput: keeps the position bar's mouse input on its scroll codes.
// The bar has no context menu (its "Scroll here" would move the bar without
// moving the mark), and a turn of the wheel is a line step left (away from
// the user) or right, as the arrows are. Installed on the bar, which owns it.

#include <QObject>

class QScrollBar;

class PositionBarInput : public QObject {
    Q_OBJECT
public:
    // One wheel notch, in eighths of a degree.
    static constexpr int kNotch = 120;

    static void install(QScrollBar& bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PositionBarInput(QScrollBar& bar);

    QScrollBar& bar_;
    int pendingDelta_ = 0;
};
