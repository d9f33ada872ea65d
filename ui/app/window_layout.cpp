#include "ui/app/window_layout.h"

#include "ui/settings/settings_store.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QWidget>

#include <algorithm>
#include <string>

namespace {

const char* const kSection = "window";
// The size of a first start, where the screen has room for it.
constexpr int kFirstWidth = 1024;
constexpr int kFirstHeight = 720;

QByteArray readBytes(SettingsStore& store, const char* key) {
    const std::string text = store.readText(kSection, key, "");
    return QByteArray::fromBase64(QByteArray::fromStdString(text));
}

void writeBytes(SettingsStore& store, const char* key, const QByteArray& bytes) {
    store.writeText(kSection, key, bytes.toBase64().toStdString());
}

void placeFirstTime(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        window.resize(kFirstWidth, kFirstHeight);
        return;
    }
    const QRect room = screen->availableGeometry();
    const QSize size(std::min(kFirstWidth, room.width() * 9 / 10),
                     std::min(kFirstHeight, room.height() * 9 / 10));
    window.resize(size.expandedTo(window.minimumSizeHint()));
    window.move(room.center() - QPoint(window.width() / 2, window.height() / 2));
}

} // namespace

namespace window_layout {

void restore(QWidget& window, QSplitter& split, SettingsStore& store) {
    // A stored place off every screen is brought back onto one.
    if (!window.restoreGeometry(readBytes(store, "geometry")))
        placeFirstTime(window);
    split.restoreState(readBytes(store, "split"));
}

void save(const QWidget& window, const QSplitter& split, SettingsStore& store) {
    writeBytes(store, "geometry", window.saveGeometry());
    writeBytes(store, "split", split.saveState());
}

} // namespace window_layout
