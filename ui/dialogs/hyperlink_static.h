#pragma once
// HyperlinkStatic: a static text that is a link. It shows its text underlined
// in pure blue on the button-face colour and, when clicked, asks the desktop to
// open its own text (a web address). A failed open shows nothing.

#include <QLabel>

class HyperlinkStatic : public QLabel {
    Q_OBJECT
public:
    explicit HyperlinkStatic(const QString& text, QWidget* parent = nullptr);

signals:
    // Emitted with the text that was handed to the desktop.
    void opened(const QString& address);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
