#pragma once
// RecentFileList: the four most recently opened files, newest first, kept in
// the settings store (section "Recent File List", keys "File1".."File4") and
// shown in the File menu.

#include <QStringList>

class RecentFileList {
public:
    static constexpr int kSize = 4;

    // Reads the stored entries.
    void load();
    // Writes the entries (missing ones are removed from the store).
    void save() const;

    // Puts path first; an entry already in the list moves up.
    void add(const QString& path);
    void remove(int index);
    const QStringList& entries() const { return entries_; }

private:
    QStringList entries_;
};
