#include "ui/platform/typing_guard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// Keys that write text or move through it; function keys stay the window's.
bool typesOrEdits(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true;
    default:
        // Below Escape lie the keys of printable characters, Space included.
        return key < Qt::Key_Escape;
    }
}

} // namespace

TypingGuard::TypingGuard(QWidget& window) : QObject(&window), window_(window) {
    // The editor of a list's cell comes and goes; the application sees the
    // keys of every widget first.
    qApp->installEventFilter(this);
}

bool TypingGuard::isTextField(const QObject* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    return qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

bool TypingGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || !isTextField(watched))
        return false;
    const auto* widget = static_cast<const QWidget*>(watched);
    if (widget->window() != &window_)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    constexpr auto kCommandModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if ((key->modifiers() & kCommandModifiers) || !typesOrEdits(key->key()))
        return false;
    // Accepting the override sends the key to the field as a key press.
    event->accept();
    return true;
}
