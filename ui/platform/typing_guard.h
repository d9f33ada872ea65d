#pragma once
// TypingGuard: while a text field inside its window has the focus (a track's
// name being edited in place, say), the keys that type go to the field rather
// than to the window's shortcuts: Space, Return, Delete, Escape, letters and
// digits, the arrows, with or without Shift. So a name being typed never
// plays, stops, marks or deletes anything. Function keys and keys with Ctrl,
// Alt or Meta stay shortcuts (the field takes those it knows itself, such as
// Ctrl+Z).

#include <QObject>

class QWidget;

class TypingGuard : public QObject {
public:
    // Watches the keys of window's text fields; lives as long as window.
    explicit TypingGuard(QWidget& window);

    // Whether widget takes typed text (an editable line, text or number field).
    static bool isTextField(const QObject* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
};
