// The settings store: defaults for missing keys, and the per-user INI file that
// QtSettingsStore keeps under "TOLVAN-Production/Sundra", read back by a fresh
// store and by the pages.

#include "tests/ui/ui_test_support.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_store.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

// Every test starts from an empty per-user settings file.
class QtSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "TOLVAN-Production", "Sundra")
            .clear();
    }
    static QSettings iniFile() {
        return QSettings(sundra::uitest::settingsFolder() + "/TOLVAN-Production/Sundra.ini",
                         QSettings::IniFormat);
    }
};

TEST(MemorySettingsStore, GivesTheDefaultForMissingKeysAndKeepsWrites) {
    MemorySettingsStore store;
    EXPECT_EQ(store.readInt("SplitAll", "sencelevel", 50), 50);
    store.writeInt("SplitAll", "sencelevel", 7);
    EXPECT_EQ(store.readInt("SplitAll", "sencelevel", 50), 7);
    EXPECT_EQ(store.readInt("record", "sencelevel", 3), 3) << "sections are separate";
    EXPECT_EQ(store.writes(), std::vector<std::string>{"SplitAll/sencelevel"});
}

TEST_F(QtSettingsStoreTest, WritesTheIniFileOfTheProgramAndReadsItBack) {
    {
        QtSettingsStore store;
        EXPECT_EQ(store.readInt("SplitAll", "sencelevel", 50), 50);
        store.writeInt("SplitAll", "sencelevel", 33);
        store.writeInt("shotplay", "time", -4);
        EXPECT_EQ(QString::fromStdString(store.fileName()),
                  sundra::uitest::settingsFolder() + "/TOLVAN-Production/Sundra.ini");
    }
    ASSERT_TRUE(QFile::exists(sundra::uitest::settingsFolder() + "/TOLVAN-Production/Sundra.ini"));
    QSettings ini = iniFile();
    EXPECT_EQ(ini.value("SplitAll/sencelevel").toInt(), 33);
    EXPECT_EQ(ini.value("shotplay/time").toInt(), -4);

    QtSettingsStore again;
    EXPECT_EQ(again.readInt("SplitAll", "sencelevel", 50), 33);
    EXPECT_EQ(again.readInt("shotplay", "time", 10), -4);
    EXPECT_EQ(again.readInt("SplitAll", "sencetime", 10), 10);
}

TEST_F(QtSettingsStoreTest, AValueThatIsNotANumberReadsAsTheDefault) {
    {
        QSettings ini = iniFile();
        ini.setValue("record/waitlevel", "loud");
    }
    QtSettingsStore store;
    EXPECT_EQ(store.readInt("record", "waitlevel", 50), 50);
}

TEST_F(QtSettingsStoreTest, AFirstStartShowsTheDefaultsAndWritesEveryKeyAtExit) {
    {
        QtSettingsStore store;
        // Built and destroyed in the order the view uses.
        auto split = std::make_unique<CSplitAllSettingsPage>(store);
        auto record = std::make_unique<CRecordSettingsPage>(store);
        auto shot = std::make_unique<CShotPlaySettingsPage>(store);

        const sundra::SplitSettings settings = split->splitSettings();
        EXPECT_DOUBLE_EQ(settings.senseLevel, 0.05);
        EXPECT_DOUBLE_EQ(settings.senseTime, 1.0);
        EXPECT_DOUBLE_EQ(settings.minimumTime, 1.0);
        EXPECT_TRUE(settings.trimSpace);
        EXPECT_EQ(settings.clickFilterMs, 0);
        EXPECT_DOUBLE_EQ(shot->shotPlaySeconds(), 1.0);
        const sundra::RecordSettings recording = record->makeRecordSettings();
        EXPECT_FALSE(recording.wait);
        EXPECT_FALSE(recording.autoStop);
        EXPECT_FALSE(recording.overloadStop);
        EXPECT_DOUBLE_EQ(recording.overloadStopLevel, 0.99);

        shot.reset();
        record.reset();
        split.reset();
    }
    QSettings ini = iniFile();
    EXPECT_EQ(ini.allKeys().size(), 13);
    sundra::uitest::expectDefaultSettings(ini);
}

TEST_F(QtSettingsStoreTest, StoredFlagsOfTwoConvertToFalse) {
    {
        QSettings ini = iniFile();
        ini.setValue("SplitAll/trimspace", 2);
        ini.setValue("record/wait", 2);
        ini.setValue("record/autostop", 1);
    }
    QtSettingsStore store;
    CSplitAllSettingsPage split(store);
    CRecordSettingsPage record(store);
    EXPECT_FALSE(split.splitSettings().trimSpace);
    EXPECT_FALSE(record.makeRecordSettings().wait);
    EXPECT_TRUE(record.makeRecordSettings().autoStop);
}

} // namespace
