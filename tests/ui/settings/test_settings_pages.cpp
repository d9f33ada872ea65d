// The settings pages on their own: what they load, the order in which they write
// their keys when destroyed, the conversions, and how the controls exchange
// values (check boxes 0/1/2, sliders limited to 0..100, the record page's
// enabling rules).

#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_store.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

template <typename T> T* child(SettingsPage& page, const char* name) {
    T* found = page.widget()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Builds the page's widget the way the sheet does and fills its controls.
std::unique_ptr<QWidget> show(SettingsPage& page) {
    auto holder = std::make_unique<QWidget>();
    page.createWidget(holder.get());
    page.loadControls();
    return holder;
}

TEST(SplitAllSettingsPage, WritesItsKeysInItsOrderWhenDestroyed) {
    MemorySettingsStore store;
    store.writeInt("SplitAll", "sencelevel", 20);
    store.writeInt("SplitAll", "trimspace", 0);
    const auto before = store.writes().size();
    {
        CSplitAllSettingsPage page(store);
        EXPECT_EQ(page.senseLevel(), 20);
        EXPECT_EQ(page.senseTime(), 10);
        EXPECT_EQ(page.minimumTime(), 10);
        EXPECT_EQ(page.trimSpace(), 0);
        EXPECT_EQ(page.clickFilter(), 0);
        EXPECT_EQ(page.splitSettings().clickFilterMs, 0) << "the click filter is off by default";
        EXPECT_EQ(page.title(), "AutoSplit");
    }
    const std::vector<std::string> written(store.writes().begin() + before, store.writes().end());
    EXPECT_EQ(written, (std::vector<std::string>{"SplitAll/trimspace", "SplitAll/sencelevel",
                                                 "SplitAll/sencetime", "SplitAll/minimumtime",
                                                 "SplitAll/clickfilter"}));
    EXPECT_EQ(store.readInt("SplitAll", "sencetime", -1), 10) << "unchanged values are written too";
}

TEST(SplitAllSettingsPage, ConvertsTheStoredValuesAsTheyAreUntilShownAndSaved) {
    MemorySettingsStore store;
    store.writeInt("SplitAll", "sencelevel", 500);
    store.writeInt("SplitAll", "sencetime", 2);
    store.writeInt("SplitAll", "minimumtime", 0);
    store.writeInt("SplitAll", "trimspace", 7);
    store.writeInt("SplitAll", "clickfilter", 250);
    CSplitAllSettingsPage page(store);
    sundra::SplitSettings settings = page.splitSettings();
    EXPECT_DOUBLE_EQ(settings.senseLevel, 0.5);
    EXPECT_DOUBLE_EQ(settings.senseTime, 0.2);
    EXPECT_DOUBLE_EQ(settings.minimumTime, 0.0);
    EXPECT_FALSE(settings.trimSpace);
    EXPECT_EQ(settings.clickFilterMs, 100) << "the click filter is held to the slider's range";
    for (const auto& [stored, used] : {std::pair{-20, 0}, {100, 100}, {101, 100}, {35, 35}}) {
        store.writeInt("SplitAll", "clickfilter", stored);
        EXPECT_EQ(CSplitAllSettingsPage(store).splitSettings().clickFilterMs, used) << stored;
    }

    auto holder = show(page);
    EXPECT_EQ(page.trimSpace(), 0) << "a check value outside 0..2 is cleared when shown";
    EXPECT_EQ(child<QSlider>(page, "senseLevelSlider")->value(), 100);
    EXPECT_EQ(child<QCheckBox>(page, "trimSpaceBox")->checkState(), Qt::Unchecked);
    page.saveControls();
    EXPECT_EQ(page.senseLevel(), 100) << "the slider limits what it shows and saves";
    EXPECT_DOUBLE_EQ(page.splitSettings().senseLevel, 0.1);
    EXPECT_EQ(page.splitSettings().clickFilterMs, 100);
}

TEST(SplitAllSettingsPage, DefaultSetsOnlyTheControls) {
    MemorySettingsStore store;
    store.writeInt("SplitAll", "sencelevel", 70);
    store.writeInt("SplitAll", "sencetime", 30);
    store.writeInt("SplitAll", "minimumtime", 40);
    store.writeInt("SplitAll", "trimspace", 0);
    store.writeInt("SplitAll", "clickfilter", 50);
    CSplitAllSettingsPage page(store);
    auto holder = show(page);
    EXPECT_EQ(child<QSlider>(page, "clickFilterSlider")->value(), 50);
    child<QPushButton>(page, "defaultButton")->click();
    EXPECT_EQ(child<QSlider>(page, "senseLevelSlider")->value(), 50);
    EXPECT_EQ(child<QSlider>(page, "senseTimeSlider")->value(), 10);
    EXPECT_EQ(child<QSlider>(page, "minimumTimeSlider")->value(), 10);
    EXPECT_TRUE(child<QCheckBox>(page, "trimSpaceBox")->isChecked());
    EXPECT_EQ(child<QSlider>(page, "clickFilterSlider")->value(), 0);
    EXPECT_EQ(page.senseLevel(), 70);
    EXPECT_EQ(page.clickFilter(), 50);
    EXPECT_EQ(page.trimSpace(), 0);
}

TEST(SplitAllSettingsPage, TabOrderFollowsTheTemplate) {
    MemorySettingsStore store;
    CSplitAllSettingsPage page(store);
    auto holder = show(page);
    QWidget* expected[] = {
        child<QSlider>(page, "senseLevelSlider"),  child<QSlider>(page, "senseTimeSlider"),
        child<QCheckBox>(page, "trimSpaceBox"),    child<QPushButton>(page, "defaultButton"),
        child<QSlider>(page, "minimumTimeSlider"), child<QSlider>(page, "clickFilterSlider")};
    for (std::size_t i = 0; i + 1 < std::size(expected); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        EXPECT_EQ(next, expected[i + 1]) << "after control " << i;
    }
}

TEST(ShotPlaySettingsPage, DefaultChangesTheValueAtOnce) {
    MemorySettingsStore store;
    store.writeInt("shotplay", "time", 35);
    {
        CShotPlaySettingsPage page(store);
        EXPECT_DOUBLE_EQ(page.shotPlaySeconds(), 3.5);
        EXPECT_EQ(page.title(), "shot play");
        auto holder = show(page);
        QSlider* slider = child<QSlider>(page, "timeSlider");
        EXPECT_EQ(slider->value(), 35);
        slider->setValue(80);
        child<QPushButton>(page, "defaultButton")->click();
        EXPECT_EQ(page.time(), 10);
        EXPECT_EQ(slider->value(), 10);
    }
    EXPECT_EQ(store.readInt("shotplay", "time", -1), 10);
}

TEST(RecordSettingsPage, LoadsConvertsAndWritesTheSevenKeysInOrder) {
    MemorySettingsStore store;
    {
        CRecordSettingsPage page(store);
        EXPECT_EQ(page.title(), "Record");
        const sundra::RecordSettings settings = page.makeRecordSettings();
        EXPECT_FALSE(settings.wait);
        EXPECT_DOUBLE_EQ(settings.waitLevel, 0.05);
        EXPECT_FALSE(settings.autoStop);
        EXPECT_DOUBLE_EQ(settings.autoStopLevel, 0.05);
        EXPECT_DOUBLE_EQ(settings.autoStopTime, 5.0);
        EXPECT_FALSE(settings.overloadStop);
        EXPECT_DOUBLE_EQ(settings.overloadStopLevel, 0.99);

        auto holder = show(page);
        child<QSlider>(page, "overloadStopLevelSlider")->setValue(100);
        page.saveControls();
        EXPECT_DOUBLE_EQ(page.makeRecordSettings().overloadStopLevel, 1.0);
        child<QSlider>(page, "overloadStopLevelSlider")->setValue(0);
        page.saveControls();
        EXPECT_DOUBLE_EQ(page.makeRecordSettings().overloadStopLevel, 0.9);
    }
    EXPECT_EQ(store.writes(),
              (std::vector<std::string>{"record/wait", "record/waitlevel", "record/autostop",
                                        "record/autostoplevel", "record/autostoptime",
                                        "record/overloadstop", "record/overloadstoplevel"}));
    EXPECT_EQ(store.readInt("record", "overloadstoplevel", -1), 0);
}

TEST(RecordSettingsPage, EachCheckBoxEnablesTheControlsItGoverns) {
    MemorySettingsStore store;
    store.writeInt("record", "wait", 2);
    store.writeInt("record", "autostop", 1);
    store.writeInt("record", "overloadstop", 0);
    CRecordSettingsPage page(store);
    auto holder = show(page);

    EXPECT_FALSE(page.makeRecordSettings().wait) << "only 1 sets the flag";
    QCheckBox* wait = child<QCheckBox>(page, "waitBox");
    EXPECT_EQ(wait->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(child<QSlider>(page, "waitLevelSlider")->isEnabled())
        << "an indeterminate box still enables its controls";
    EXPECT_TRUE(child<QLabel>(page, "waitLevelLabel")->isEnabled());
    EXPECT_FALSE(child<QSlider>(page, "overloadStopLevelSlider")->isEnabled());
    EXPECT_FALSE(child<QLabel>(page, "overloadStopLevelLabel")->isEnabled());

    QCheckBox* autoStop = child<QCheckBox>(page, "autoStopBox");
    QWidget* autoStopControls[] = {
        child<QSlider>(page, "autoStopLevelSlider"), child<QSlider>(page, "autoStopTimeSlider"),
        child<QLabel>(page, "autoStopLevelLabel"), child<QLabel>(page, "autoStopTimeLabel")};
    for (QWidget* control : autoStopControls)
        EXPECT_TRUE(control->isEnabled());
    autoStop->click();
    EXPECT_FALSE(autoStop->isChecked());
    for (QWidget* control : autoStopControls)
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    autoStop->click();
    for (QWidget* control : autoStopControls)
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();

    wait->click();
    EXPECT_EQ(wait->checkState(), Qt::Checked) << "a click leaves the indeterminate state";
    wait->click();
    EXPECT_EQ(wait->checkState(), Qt::Unchecked);
    EXPECT_FALSE(child<QSlider>(page, "waitLevelSlider")->isEnabled());
    page.saveControls();
    EXPECT_EQ(page.wait(), 0);
    EXPECT_EQ(page.autoStop(), 1);
}

TEST(RecordSettingsPage, DefaultResetsTheControlsAndReappliesTheRules) {
    MemorySettingsStore store;
    store.writeInt("record", "wait", 1);
    store.writeInt("record", "waitlevel", 5);
    store.writeInt("record", "autostoptime", 99);
    store.writeInt("record", "overloadstop", 1);
    CRecordSettingsPage page(store);
    auto holder = show(page);
    child<QPushButton>(page, "defaultButton")->click();
    EXPECT_FALSE(child<QCheckBox>(page, "waitBox")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(page, "overloadStopBox")->isChecked());
    EXPECT_EQ(child<QSlider>(page, "waitLevelSlider")->value(), 50);
    EXPECT_EQ(child<QSlider>(page, "autoStopTimeSlider")->value(), 50);
    EXPECT_EQ(child<QSlider>(page, "overloadStopLevelSlider")->value(), 90);
    EXPECT_FALSE(child<QSlider>(page, "waitLevelSlider")->isEnabled());
    EXPECT_FALSE(child<QLabel>(page, "overloadStopLevelLabel")->isEnabled());
    EXPECT_EQ(page.wait(), 1) << "the fields follow only when the page is saved";
    EXPECT_EQ(page.waitLevel(), 5);
}

// Beside each slider its value, as the detection report writes levels and
// times: for the stored defaults, and after a move.
TEST(SettingsPages, EachSliderShowsItsValueInTheReportsUnits) {
    SettingsPages pages(std::make_unique<MemorySettingsStore>());
    const struct {
        SettingsPage& page;
        const char* slider;
        const char* value;
        const char* shown;
        int moveTo;
        const char* moved;
    } cases[] = {
        {pages.splitPage(), "senseLevelSlider", "senseLevelValue", "0.0500 (-26.0 dBFS)", 20,
         "0.0200 (-34.0 dBFS)"},
        {pages.splitPage(), "senseTimeSlider", "senseTimeValue", "1.0 s", 25, "2.5 s"},
        {pages.splitPage(), "minimumTimeSlider", "minimumTimeValue", "1.0 s", 0, "0.0 s"},
        {pages.splitPage(), "clickFilterSlider", "clickFilterValue", "off", 30, "30 ms"},
        {pages.recordPage(), "waitLevelSlider", "waitLevelValue", "0.0500 (-26.0 dBFS)", 100,
         "0.1000 (-20.0 dBFS)"},
        {pages.recordPage(), "autoStopLevelSlider", "autoStopLevelValue", "0.0500 (-26.0 dBFS)", 0,
         "0.0000 (silence)"},
        {pages.recordPage(), "autoStopTimeSlider", "autoStopTimeValue", "5.0 s", 12, "1.2 s"},
        {pages.recordPage(), "overloadStopLevelSlider", "overloadStopLevelValue",
         "0.9900 (-0.1 dBFS)", 100, "1.0000 (0.0 dBFS)"},
        {pages.shotPlayPage(), "timeSlider", "timeValue", "1.0 s", 35, "3.5 s"},
        {pages.exportPage(), "qualitySlider", "qualityValue", "60 of 100", 75, "75 of 100"},
    };
    std::map<SettingsPage*, std::unique_ptr<QWidget>> shown;
    for (const auto& step : cases) {
        SCOPED_TRACE(step.slider);
        if (!shown.count(&step.page))
            shown[&step.page] = show(step.page);
        QLabel* value = child<QLabel>(step.page, step.value);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->text(), step.shown);
        child<QSlider>(step.page, step.slider)->setValue(step.moveTo);
        EXPECT_EQ(value->text(), step.moved);
    }
}

} // namespace
