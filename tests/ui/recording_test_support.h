#pragma once
// Helpers of the recording tests: the record page's options, acting on the
// recording dialog that a command opens, and pressing keys on it.

#include "ui/dialogs/recording_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSettings>
#include <QTimer>

#include <cstddef>
#include <functional>

namespace sundra::uitest {

// A recording's header: RIFF, a 36-byte JUNK chunk kept for the RF64 sizes
// should the recording pass 4 GiB, the format chunk and the data chunk's head.
inline constexpr std::size_t kRecordingHeader = 80;
// Where the data chunk's size lies in it.
inline constexpr std::size_t kRecordingDataSize = 76;

inline QSettings programSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope,
                     QStringLiteral("TOLVAN-Production"), QStringLiteral("Sundra"));
}
// Stores one option of the record page; the view reads it when it starts.
inline void setRecordOption(const char* key, int value) {
    programSettings().setValue(QStringLiteral("record/") + QLatin1String(key), value);
}
// The view stores its options as it goes: those a test set must not reach the
// other tests.
inline void clearRecordOptions() {
    programSettings().remove(QStringLiteral("record"));
}

// Runs action on the recording dialog once it shows with its worker started.
inline void onRecordingDialog(std::function<void(CRecordingDialog&)> action) {
    auto* poll = new QTimer;
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CRecordingDialog*>(widget);
            if (dialog != nullptr && dialog->isVisible() && dialog->workerStarted()) {
                poll->stop();
                poll->deleteLater();
                action(*dialog);
                return;
            }
        }
    });
    poll->start();
}

inline void pressEscape(QWidget& widget) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

} // namespace sundra::uitest
