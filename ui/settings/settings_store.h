#pragma once
// Where the settings pages keep their integers: one section per page, one key per
// value. A few values are text (a folder, the window's layout). The pages talk
// only to this interface, so tests use the in-memory store and the program
// uses QSettings.

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QSettings;

class SettingsStore {
public:
    virtual ~SettingsStore();
    // The stored integer, or defaultValue when the key is missing or not a number.
    virtual int readInt(const std::string& section, const std::string& key, int defaultValue) = 0;
    // A failed write is not reported.
    virtual void writeInt(const std::string& section, const std::string& key, int value) = 0;
    // The stored text (UTF-8), or defaultValue when the key is missing.
    virtual std::string readText(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) = 0;
    virtual void writeText(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

// Keeps the values in memory; also records the order of the writes so that a
// test can see which keys a page wrote.
class MemorySettingsStore : public SettingsStore {
public:
    int readInt(const std::string& section, const std::string& key, int defaultValue) override;
    void writeInt(const std::string& section, const std::string& key, int value) override;
    std::string readText(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
    void writeText(const std::string& section, const std::string& key,
                   const std::string& value) override;

    bool contains(const std::string& section, const std::string& key) const;
    // "section/key" of every write, oldest first.
    const std::vector<std::string>& writes() const { return writes_; }

private:
    std::map<std::pair<std::string, std::string>, int> values_;
    std::map<std::pair<std::string, std::string>, std::string> texts_;
    std::vector<std::string> writes_;
};

// The per-user settings of the program: QSettings("TOLVAN-Production", "Sundra")
// in INI format, one INI group per section. Written to disk when destroyed.
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    ~QtSettingsStore() override;
    QtSettingsStore(const QtSettingsStore&) = delete;
    QtSettingsStore& operator=(const QtSettingsStore&) = delete;

    int readInt(const std::string& section, const std::string& key, int defaultValue) override;
    void writeInt(const std::string& section, const std::string& key, int value) override;
    std::string readText(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
    void writeText(const std::string& section, const std::string& key,
                   const std::string& value) override;
    // Writes pending changes to disk now.
    void sync();
    // The INI file behind the store.
    std::string fileName() const;

private:
    std::unique_ptr<QSettings> settings_;
};
