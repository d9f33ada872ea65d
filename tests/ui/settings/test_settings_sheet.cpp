// The settings sheet with the three pages: what OK, Cancel, leaving a tab and
// the pages' "default" buttons do to the values the program uses.

#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_sheet.h"
#include "ui/settings/settings_store.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

class SettingsSheetTest : public ::testing::Test {
protected:
    SettingsSheetTest() {
        store.writeInt("SplitAll", "sencelevel", 70);
        store.writeInt("SplitAll", "sencetime", 30);
        store.writeInt("SplitAll", "minimumtime", 40);
        store.writeInt("SplitAll", "trimspace", 0);
        store.writeInt("record", "wait", 1);
        store.writeInt("record", "waitlevel", 5);
        store.writeInt("record", "autostoptime", 12);
        store.writeInt("record", "overloadstoplevel", 95);
        store.writeInt("shotplay", "time", 30);
        split = std::make_unique<CSplitAllSettingsPage>(store);
        record = std::make_unique<CRecordSettingsPage>(store);
        shot = std::make_unique<CShotPlaySettingsPage>(store);
        sheet.addPage(*split);
        sheet.addPage(*record);
        sheet.addPage(*shot);
    }

    // Runs the sheet; actions run once it is on screen and must end it (ok or
    // cancel).
    int run(const std::function<void()>& actions) {
        QTimer::singleShot(0, [&] {
            ASSERT_NE(sheet.dialog(), nullptr);
            actions();
        });
        return sheet.exec(nullptr);
    }
    void showTab(int index) { sheet.tabs()->setCurrentIndex(index); }
    template <typename T> T* control(SettingsPage& page, const char* name) {
        EXPECT_NE(page.widget(), nullptr) << "page not shown";
        return page.widget()->findChild<T*>(QString::fromLatin1(name));
    }
    void clickDefault(SettingsPage& page) { control<QPushButton>(page, "defaultButton")->click(); }
    QPushButton* button(QDialogButtonBox::StandardButton which) {
        return sheet.dialog()->findChild<QDialogButtonBox*>()->button(which);
    }
    void ok() { button(QDialogButtonBox::Ok)->click(); }
    void cancel() { button(QDialogButtonBox::Cancel)->click(); }

    MemorySettingsStore store;
    std::unique_ptr<CSplitAllSettingsPage> split;
    std::unique_ptr<CRecordSettingsPage> record;
    std::unique_ptr<CShotPlaySettingsPage> shot;
    CSettingsSheet sheet;
};

TEST_F(SettingsSheetTest, ShowsThePagesAsTabsAndDropsTheirWidgetsAfterwards) {
    const int result = run([&] {
        EXPECT_EQ(sheet.tabs()->count(), 3);
        EXPECT_EQ(sheet.tabs()->tabText(0), "AutoSplit");
        EXPECT_EQ(sheet.tabs()->tabText(1), "Record");
        EXPECT_EQ(sheet.tabs()->tabText(2), "shot play");
        EXPECT_EQ(sheet.dialog()->windowTitle(), "settings");
        EXPECT_NE(split->widget(), nullptr);
        EXPECT_EQ(record->widget(), nullptr) << "a page is built when its tab is first shown";
        EXPECT_EQ(control<QSlider>(*split, "senseLevelSlider")->value(), 70);
        ok();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(split->widget(), nullptr);
    EXPECT_EQ(sheet.dialog(), nullptr);
}

TEST_F(SettingsSheetTest, SplitDefaultThenCancelKeepsTheOldValues) {
    EXPECT_EQ(run([&] {
                  clickDefault(*split);
                  cancel();
              }),
              QDialog::Rejected);
    EXPECT_EQ(split->senseLevel(), 70);
    EXPECT_EQ(split->senseTime(), 30);
    EXPECT_EQ(split->minimumTime(), 40);
    EXPECT_EQ(split->trimSpace(), 0);
}

TEST_F(SettingsSheetTest, SplitDefaultThenOkTakesTheDefaultsAndTheyAreWrittenAtTheEnd) {
    run([&] {
        clickDefault(*split);
        ok();
    });
    EXPECT_EQ(split->senseLevel(), 50);
    EXPECT_EQ(split->senseTime(), 10);
    EXPECT_EQ(split->minimumTime(), 10);
    EXPECT_EQ(split->trimSpace(), 1);
    EXPECT_EQ(store.readInt("SplitAll", "sencelevel", -1), 70) << "nothing is written before exit";
    split.reset();
    EXPECT_EQ(store.readInt("SplitAll", "sencelevel", -1), 50);
    EXPECT_EQ(store.readInt("SplitAll", "trimspace", -1), 1);
}

TEST_F(SettingsSheetTest, ShotPlayDefaultThenCancelStillLeavesTen) {
    run([&] {
        showTab(2);
        EXPECT_EQ(control<QSlider>(*shot, "timeSlider")->value(), 30);
        clickDefault(*shot);
        cancel();
    });
    EXPECT_EQ(shot->time(), 10);
    EXPECT_DOUBLE_EQ(shot->shotPlaySeconds(), 1.0);
}

TEST_F(SettingsSheetTest, RecordDefaultThenCancelKeepsTheFieldsAndOkTakesTheDefaults) {
    run([&] {
        showTab(1);
        clickDefault(*record);
        cancel();
    });
    EXPECT_EQ(record->wait(), 1);
    EXPECT_EQ(record->waitLevel(), 5);
    EXPECT_EQ(record->autoStopTime(), 12);
    EXPECT_EQ(record->overloadStopLevel(), 95);

    run([&] {
        showTab(1);
        EXPECT_TRUE(control<QCheckBox>(*record, "waitBox")->isChecked()) << "shown from the fields";
        clickDefault(*record);
        ok();
    });
    EXPECT_EQ(record->wait(), 0);
    EXPECT_EQ(record->waitLevel(), 50);
    EXPECT_EQ(record->autoStop(), 0);
    EXPECT_EQ(record->autoStopLevel(), 50);
    EXPECT_EQ(record->autoStopTime(), 50);
    EXPECT_EQ(record->overloadStop(), 0);
    EXPECT_EQ(record->overloadStopLevel(), 90);
}

TEST_F(SettingsSheetTest, CancelKeepsThePageOnDisplayButNotThePagesLeftEarlier) {
    run([&] {
        control<QSlider>(*split, "senseLevelSlider")->setValue(20);
        control<QCheckBox>(*split, "trimSpaceBox")->click();
        showTab(2); // leaving the split page saves it
        control<QSlider>(*shot, "timeSlider")->setValue(77);
        cancel();
    });
    EXPECT_EQ(split->senseLevel(), 20);
    EXPECT_EQ(split->trimSpace(), 1);
    EXPECT_DOUBLE_EQ(split->splitSettings().senseLevel, 0.02);
    EXPECT_EQ(shot->time(), 30) << "the page on display is not saved by Cancel";
}

TEST_F(SettingsSheetTest, OkSavesOnlyThePageOnDisplayAndEveryTabIsFilledAnew) {
    run([&] {
        showTab(1);
        control<QSlider>(*record, "waitLevelSlider")->setValue(60);
        showTab(0);
        EXPECT_EQ(control<QSlider>(*split, "senseLevelSlider")->value(), 70);
        control<QSlider>(*split, "senseTimeSlider")->setValue(3);
        showTab(1);
        EXPECT_EQ(control<QSlider>(*record, "waitLevelSlider")->value(), 60);
        control<QSlider>(*record, "waitLevelSlider")->setValue(61);
        ok();
    });
    EXPECT_EQ(split->senseTime(), 3);
    EXPECT_EQ(record->waitLevel(), 61);
    EXPECT_EQ(shot->time(), 30);
}

} // namespace
