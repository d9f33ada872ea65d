#include "ui/settings/settings_store.h"

#include <QSettings>
#include <QString>

SettingsStore::~SettingsStore() = default;

int MemorySettingsStore::readInt(const std::string& section, const std::string& key,
                                 int defaultValue) {
    auto found = values_.find({section, key});
    return found == values_.end() ? defaultValue : found->second;
}

void MemorySettingsStore::writeInt(const std::string& section, const std::string& key, int value) {
    values_[{section, key}] = value;
    writes_.push_back(section + "/" + key);
}

std::string MemorySettingsStore::readText(const std::string& section, const std::string& key,
                                          const std::string& defaultValue) {
    auto found = texts_.find({section, key});
    return found == texts_.end() ? defaultValue : found->second;
}

void MemorySettingsStore::writeText(const std::string& section, const std::string& key,
                                    const std::string& value) {
    texts_[{section, key}] = value;
    writes_.push_back(section + "/" + key);
}

bool MemorySettingsStore::contains(const std::string& section, const std::string& key) const {
    return values_.count({section, key}) != 0 || texts_.count({section, key}) != 0;
}

namespace {

QString settingsKey(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

} // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("TOLVAN-Production"),
                                            QStringLiteral("Sundra"))) {}

QtSettingsStore::~QtSettingsStore() {
    settings_->sync();
}

int QtSettingsStore::readInt(const std::string& section, const std::string& key, int defaultValue) {
    const QVariant value = settings_->value(settingsKey(section, key));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

void QtSettingsStore::writeInt(const std::string& section, const std::string& key, int value) {
    settings_->setValue(settingsKey(section, key), value);
}

std::string QtSettingsStore::readText(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) {
    const QVariant value = settings_->value(settingsKey(section, key));
    return value.isValid() ? value.toString().toStdString() : defaultValue;
}

void QtSettingsStore::writeText(const std::string& section, const std::string& key,
                                const std::string& value) {
    settings_->setValue(settingsKey(section, key), QString::fromStdString(value));
}

void QtSettingsStore::sync() {
    settings_->sync();
}

std::string QtSettingsStore::fileName() const {
    return settings_->fileName().toStdString();
}
