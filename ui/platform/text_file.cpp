#include "ui/platform/text_file.h"

#include <QDir>
#include <QSaveFile>

bool saveText(const QString& path, const std::string& text, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        error = QStringLiteral("Can't write %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}
