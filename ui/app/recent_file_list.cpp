#include "ui/app/recent_file_list.h"

#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace {

std::unique_ptr<QSettings> openStore() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("TOLVAN-Production"),
                                       QStringLiteral("Sundra"));
}

QString keyOf(int index) {
    return QStringLiteral("Recent File List/File%1").arg(index + 1);
}

} // namespace

void RecentFileList::load() {
    entries_.clear();
    const auto store = openStore();
    for (int i = 0; i < kSize; ++i) {
        const QString path = store->value(keyOf(i)).toString();
        if (!path.isEmpty() && !entries_.contains(path)) {
            entries_.append(path);
        }
    }
}

void RecentFileList::save() const {
    const auto store = openStore();
    for (int i = 0; i < kSize; ++i) {
        if (i < entries_.size()) {
            store->setValue(keyOf(i), entries_[i]);
        } else {
            store->remove(keyOf(i));
        }
    }
}

void RecentFileList::add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    entries_.removeAll(absolute);
    entries_.prepend(absolute);
    while (entries_.size() > kSize) {
        entries_.removeLast();
    }
}

void RecentFileList::remove(int index) {
    if (index >= 0 && index < entries_.size()) {
        entries_.removeAt(index);
    }
}
